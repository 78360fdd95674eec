#include "codecs/ECodecError.h"

const char* CodecFailureText(TCodecFailure reason) {
    switch (reason) {
    case TCodecFailure::NotFound:
        return "not found";
    case TCodecFailure::Unreadable:
        return "unreadable";
    case TCodecFailure::Corrupt:
        return "corrupt";
    case TCodecFailure::Unsupported:
        return "unsupported";
    case TCodecFailure::TooLarge:
        return "too large";
    }
    return "corrupt";
}

ECodecError::ECodecError(TCodecFailure reason, const std::string& detail)
    : std::runtime_error(std::string(CodecFailureText(reason)) + ": " + detail), FReason(reason) {}
