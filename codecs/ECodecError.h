// The one error type of the picture readers.
#pragma once

#include <stdexcept>
#include <string>

// Why a picture could not be decoded.
enum class TCodecFailure {
    NotFound,    // no such file
    Unreadable,  // the file exists but cannot be opened or read
    Corrupt,     // the data is damaged, truncated or not of the expected format
    Unsupported, // a valid file of a kind or variant that no reader here decodes
    TooLarge,    // the picture exceeds the pixel ceiling
};

// A short English word for the reason: "not found", "unreadable", "corrupt",
// "unsupported", "too large".
const char* CodecFailureText(TCodecFailure reason);

class ECodecError : public std::runtime_error {
public:
    // The message reads "<reason>: <detail>".
    ECodecError(TCodecFailure reason, const std::string& detail);
    TCodecFailure Reason() const { return FReason; }

private:
    TCodecFailure FReason;
};
