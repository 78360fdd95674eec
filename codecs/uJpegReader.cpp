#include "codecs/uJpegReader.h"

#include "codecs/ECodecError.h"
#include "codecs/uExifOrientation.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>
// After jpeglib.h, whose configuration decides which messages exist.
#include <jerror.h>

namespace {

// Every scan walks all blocks of its components, so a file of many scans decodes
// slowly however small it is. Encoders write a handful: 10 for colour in the
// usual progression, 18 for CMYK, a few dozen at most when they search for the
// smallest script. 256 still lets a progression send each coefficient of a
// colour picture in a scan of its own (192 scans) and refine a few of them.
constexpr int kMaxJpegScans = 256;
// Memory that libjpeg may take for its own buffers (coefficients of progressive
// files); beyond it decoding fails instead of swapping to temporary files.
constexpr long kMaxJpegWorkMemory = 1536L * 1024 * 1024;

struct TJpegError {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
    int Code;
    char Message[JMSG_LENGTH_MAX + 64];
};

// Watches the scans as libjpeg reads them.
struct TJpegProgress {
    jpeg_progress_mgr Pub;
    int Scan; // the scan last looked at
    // For each component, the coefficients whose first scan has been read.
    std::uint64_t FirstSent[MAX_COMPONENTS];
};

// A stretch of the file's bytes.
struct TByteSpan {
    const std::uint8_t* Data;
    std::size_t Size;
};

// Hands libjpeg the stretches one after another, as if the bytes between them
// were not in the file.
struct TSpanSource {
    jpeg_source_mgr Pub;
    const TByteSpan* Spans;
    std::size_t Count;
    std::size_t Next; // the stretch handed over next
};

// Everything the two decoding steps share; plain data only, so that nothing with
// a destructor lives between setjmp and longjmp.
struct TJpegSession {
    jpeg_decompress_struct Info;
    TJpegError Error;
    TJpegProgress Progress;
    TSpanSource Source;
    bool Created;
    int Orientation;
    bool MultipleScans; // libjpeg keeps the coefficients of the whole picture
};

void JpegErrorExit(j_common_ptr cinfo) {
    TJpegError* error = reinterpret_cast<TJpegError*>(cinfo->err);
    error->Code = error->Pub.msg_code;
    (*error->Pub.format_message)(cinfo, error->Message);
    std::longjmp(error->Jump, 1);
}

// Warnings that mean the picture data is damaged stop decoding; the rest
// (extraneous bytes before a marker and the like) are tolerated. A scan that
// refines bits already refined, or any before the first, is damage too: sent
// again and again it keeps the decoder busy for minutes.
void JpegEmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
        JpegErrorExit(cinfo);
        break;
    default:
        cinfo->err->num_warnings++;
        break;
    }
}

[[noreturn]] void JpegFail(j_common_ptr cinfo, const char* message) {
    TJpegError* error = reinterpret_cast<TJpegError*>(cinfo->err);
    error->Code = JERR_BAD_SCAN_SCRIPT;
    std::snprintf(error->Message, sizeof error->Message, "%s", message);
    std::longjmp(error->Jump, 1);
}

// libjpeg calls this before it reads each scan's data, with the scan's header
// at hand. Each coefficient has one first scan: libjpeg only checks the
// refinements, so a band sent again from the start is caught here.
void JpegProgress(j_common_ptr cinfo) {
    j_decompress_ptr info = reinterpret_cast<j_decompress_ptr>(cinfo);
    TJpegProgress* progress = reinterpret_cast<TJpegProgress*>(cinfo->progress);
    if (info->input_scan_number == progress->Scan)
        return;
    progress->Scan = info->input_scan_number;
    if (info->input_scan_number > kMaxJpegScans)
        JpegFail(cinfo, "too many scans");
    // A sequential scan carries whole blocks of its components.
    const bool progressive = info->progressive_mode != FALSE;
    if (progressive && info->Ah != 0)
        return;
    const int first = progressive ? info->Ss : 0;
    const int last = progressive ? info->Se : DCTSIZE2 - 1;
    if (first < 0 || last < first || last >= DCTSIZE2)
        return; // libjpeg refuses the scan itself
    const std::uint64_t band =
        (last == 63 ? ~std::uint64_t(0) : (std::uint64_t(1) << (last + 1)) - 1) &
        ~((std::uint64_t(1) << first) - 1);
    for (int i = 0; i < info->comps_in_scan; ++i) {
        const int component = info->cur_comp_info[i]->component_index;
        if (component < 0 || component >= MAX_COMPONENTS)
            continue;
        if (progress->FirstSent[component] & band)
            JpegFail(cinfo, "coefficients sent again in a later scan");
        progress->FirstSent[component] |= band;
    }
}

int FindOrientation(j_decompress_ptr info) {
    for (jpeg_saved_marker_ptr m = info->marker_list; m != nullptr; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 &&
            std::memcmp(m->data, "Exif\0\0", 6) == 0)
            return ParseExifOrientation(m->data, m->data_length);
    return 1;
}

// Step one: header, output colour space and scale. Returns false on a libjpeg error.
bool JpegReadHeader(TJpegSession* s, const std::uint8_t* data, std::size_t size, int scale) {
    if (setjmp(s->Error.Jump))
        return false;
    jpeg_create_decompress(&s->Info);
    s->Created = true;
    s->Info.mem->max_memory_to_use = kMaxJpegWorkMemory;
    s->Info.progress = &s->Progress.Pub;
    jpeg_mem_src(&s->Info, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&s->Info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&s->Info, TRUE);
    s->MultipleScans = jpeg_has_multiple_scans(&s->Info) != FALSE;
    s->Orientation = FindOrientation(&s->Info);
    switch (s->Info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        s->Info.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        s->Info.out_color_space = JCS_CMYK;
        break;
    default:
        s->Info.out_color_space = JCS_RGB;
        break;
    }
    s->Info.scale_num = 1;
    s->Info.scale_denom = static_cast<unsigned>(scale);
    jpeg_calc_output_dimensions(&s->Info);
    return true;
}

// Changes the scale after the header was read. Returns false on a libjpeg error.
bool JpegSetScale(TJpegSession* s, int scale) {
    if (setjmp(s->Error.Jump))
        return false;
    s->Info.scale_num = 1;
    s->Info.scale_denom = static_cast<unsigned>(scale);
    jpeg_calc_output_dimensions(&s->Info);
    return true;
}

// Every row of the output pass that libjpeg has begun, expanded from its layout
// to 0xAARRGGBB in place. Upright pictures (orientation 1) are decoded straight
// into out (width * height pixels); others row by row into row (width pixels)
// and placed in out turned upright. Runs inside the caller's setjmp.
void JpegReadRows(TJpegSession* s, std::uint32_t* out, std::uint32_t* row) {
    const JDIMENSION width = s->Info.output_width;
    const int components = s->Info.output_components;
    const bool inverted = s->Info.saw_Adobe_marker;
    const bool upright = s->Orientation < 2 || s->Orientation > 8;
    while (s->Info.output_scanline < s->Info.output_height) {
        const JDIMENSION y = s->Info.output_scanline;
        std::uint32_t* target = upright ? out + std::size_t(y) * width : row;
        JSAMPROW rows[1] = {reinterpret_cast<JSAMPLE*>(target)};
        jpeg_read_scanlines(&s->Info, rows, 1);
        const std::uint8_t* bytes = reinterpret_cast<const std::uint8_t*>(target);
        for (JDIMENSION x = width; x-- > 0;) {
            std::uint32_t pixel = 0;
            if (components == 1) {
                const unsigned v = bytes[x];
                pixel = MakeArgb(255, v, v, v);
            } else if (components == 3) {
                const std::uint8_t* p = bytes + std::size_t(x) * 3;
                pixel = MakeArgb(255, p[0], p[1], p[2]);
            } else {
                const std::uint8_t* p = bytes + std::size_t(x) * 4;
                unsigned c = p[0], m = p[1], y = p[2], k = p[3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    y = 255 - y;
                    k = 255 - k;
                }
                // Now 255 means no ink.
                pixel =
                    MakeArgb(255, (c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
            }
            target[x] = pixel;
        }
        if (!upright)
            PlaceOrientedRow(out, row, width, s->Info.output_height, y, s->Orientation);
    }
}

// Step two: decodes the whole file into out (see JpegReadRows).
bool JpegReadPixels(TJpegSession* s, std::uint32_t* out, std::uint32_t* row) {
    if (setjmp(s->Error.Jump))
        return false;
    jpeg_start_decompress(&s->Info);
    JpegReadRows(s, out, row);
    jpeg_finish_decompress(&s->Info);
    return true;
}

// True once every component's DC coefficients are whole: their first scan and
// each refinement read. libjpeg notes a scan's bits when the scan begins, so
// this is asked when one has ended.
bool DcScansRead(const jpeg_decompress_struct& info) {
    if (info.coef_bits == nullptr)
        return false;
    for (int c = 0; c < info.num_components; ++c)
        if (info.coef_bits[c][0] != 0)
            return false;
    return true;
}

void SpanSourceNothing(j_decompress_ptr) {}

boolean SpanSourceFill(j_decompress_ptr cinfo) {
    TSpanSource* source = reinterpret_cast<TSpanSource*>(cinfo->src);
    while (source->Next < source->Count) {
        const TByteSpan& span = source->Spans[source->Next++];
        // libjpeg takes a byte from every refill it is told succeeded: an empty
        // one would leave it counting down from zero, reading on past the file.
        if (span.Size == 0)
            continue;
        source->Pub.next_input_byte = span.Data;
        source->Pub.bytes_in_buffer = span.Size;
        return TRUE;
    }
    // Past the end: what libjpeg's own memory source does, a warning that
    // stops decoding here.
    static const JOCTET kEnd[2] = {0xFF, JPEG_EOI};
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source->Pub.next_input_byte = kEnd;
    source->Pub.bytes_in_buffer = 2;
    return TRUE;
}

void SpanSourceSkip(j_decompress_ptr cinfo, long count) {
    while (count > 0) {
        if (std::size_t(count) <= cinfo->src->bytes_in_buffer) {
            cinfo->src->next_input_byte += count;
            cinfo->src->bytes_in_buffer -= std::size_t(count);
            return;
        }
        count -= long(cinfo->src->bytes_in_buffer);
        cinfo->src->bytes_in_buffer = 0;
        SpanSourceFill(cinfo);
    }
}

// Step two for a thumbnail of a progressive file at 1/8, where a block's pixel
// is its DC coefficient (and chroma sampled at half the luma's takes three AC
// coefficients besides): the stretches of the file that DcScanSpans chose are
// read scan by scan in buffered-image mode until the DC scans are all in, and
// the picture they give is put out. The scans after them are never read; the
// scans before are watched as always.
bool JpegReadDcPixels(TJpegSession* s, const TByteSpan* spans, std::size_t count,
                      std::uint32_t* out, std::uint32_t* row) {
    if (setjmp(s->Error.Jump))
        return false;
    TSpanSource& source = s->Source;
    source.Pub.init_source = SpanSourceNothing;
    source.Pub.fill_input_buffer = SpanSourceFill;
    source.Pub.skip_input_data = SpanSourceSkip;
    source.Pub.resync_to_restart = jpeg_resync_to_restart;
    source.Pub.term_source = SpanSourceNothing;
    source.Pub.bytes_in_buffer = 0;
    source.Pub.next_input_byte = nullptr;
    source.Spans = spans;
    source.Count = count;
    source.Next = 0;
    s->Info.src = &source.Pub;
    s->Info.buffered_image = TRUE;
    jpeg_start_decompress(&s->Info);
    for (;;) {
        // What libjpeg's own input loop does before each step of it.
        JpegProgress(reinterpret_cast<j_common_ptr>(&s->Info));
        const int step = jpeg_consume_input(&s->Info);
        if (step == JPEG_REACHED_EOI || step == JPEG_SUSPENDED)
            break;
        if (step == JPEG_SCAN_COMPLETED && DcScansRead(s->Info))
            break;
    }
    // Estimating the missing AC coefficients from the neighbours would only
    // cost time: at this scale nothing but the DC shows.
    s->Info.do_block_smoothing = FALSE;
    jpeg_start_output(&s->Info, s->Info.input_scan_number);
    JpegReadRows(s, out, row);
    // Neither the output pass nor the decompression is finished: that would
    // read on. Destroying the session ends it.
    return true;
}

// The bytes of the coefficient buffer that libjpeg takes for a file of several
// scans (progressive, or one component per scan): every component's blocks,
// rounded up to whole units of its sampling, 64 coefficients of two bytes each.
std::uint64_t WholePictureCoefficientBytes(const jpeg_decompress_struct& info) {
    std::uint64_t bytes = 0;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        const auto roundUp = [](std::uint64_t n, int unit) {
            return unit > 0 ? (n + unit - 1) / unit * unit : n;
        };
        bytes += roundUp(component.width_in_blocks, component.h_samp_factor) *
                 roundUp(component.height_in_blocks, component.v_samp_factor) * sizeof(JBLOCK);
    }
    return bytes;
}

struct TJpegSessionFree {
    void operator()(TJpegSession* s) const {
        if (s->Created)
            jpeg_destroy_decompress(&s->Info);
        delete s;
    }
};

TCodecFailure FailureOf(int code) {
    switch (code) {
    case JERR_OUT_OF_MEMORY:
    case JERR_NO_BACKING_STORE:
    case JERR_IMAGE_TOO_BIG:
        return TCodecFailure::TooLarge;
    case JERR_BAD_PRECISION:
    case JERR_CONVERSION_NOTIMPL:
    case JERR_NOTIMPL:
    case JERR_ARITH_NOTIMPL:
        return TCodecFailure::Unsupported;
    default:
        return TCodecFailure::Corrupt;
    }
}

[[noreturn]] void ThrowJpeg(const TJpegSession& s) {
    throw ECodecError(FailureOf(s.Error.Code), std::string("JPEG: ") + s.Error.Message);
}

// ---- The scans a thumbnail at 1/8 needs ----

[[noreturn]] void ThrowCorrupt(const char* message) {
    throw ECodecError(TCodecFailure::Corrupt, std::string("JPEG: ") + message);
}

// The side of the blocks that a component's 8 x 8 blocks are put out as.
int ScaledBlockSide(const jpeg_component_info& component) {
#if JPEG_LIB_VERSION >= 70
    return std::max(component.DCT_h_scaled_size, component.DCT_v_scaled_size);
#else
    return component.DCT_scaled_size;
#endif
}

// The progression of a file's scans, checked as libjpeg and JpegProgress check
// the scans they read, for the scans passed over unread.
class TScanProgression {
public:
    explicit TScanProgression(int Components) : FComponents(Components) {
        for (auto& bits : FBits)
            std::fill(std::begin(bits), std::end(bits), -1);
    }

    // A scan of the components (indexes) with its spectral band and bits.
    void Add(const int* components, int count, int Ss, int Se, int Ah, int Al) {
        if (++FScans > kMaxJpegScans)
            ThrowCorrupt("too many scans");
        const bool dc = Ss == 0;
        if (count < 1 || count > MAX_COMPS_IN_SCAN || Se < Ss || Se >= DCTSIZE2 || Al > 13 ||
            (dc && Se != 0) || (!dc && count != 1) || (Ah != 0 && Al != Ah - 1))
            ThrowCorrupt("bad progression");
        for (int i = 0; i < count; ++i) {
            const int c = components[i];
            if (!dc && FBits[c][0] < 0)
                ThrowCorrupt("AC coefficients before their DC");
            for (int k = Ss; k <= Se; ++k) {
                if (Ah != std::max(FBits[c][k], 0) || (Ah == 0 && FBits[c][k] >= 0))
                    ThrowCorrupt("coefficients sent again or refined out of turn");
                FBits[c][k] = Al;
            }
        }
    }
    // Every component's DC coefficients whole.
    bool DcComplete() const {
        for (int c = 0; c < FComponents; ++c)
            if (FBits[c][0] != 0)
                return false;
        return true;
    }

private:
    int FComponents;
    int FScans = 0;
    int FBits[MAX_COMPONENTS][DCTSIZE2]; // as libjpeg's coef_bits: -1 before the first scan
};

// Where the entropy-coded data that starts at at ends: the first marker after
// it (stuffed zeros and restart markers belong to the data), or the end.
std::size_t EndOfScanData(const std::uint8_t* data, std::size_t size, std::size_t at) {
    while (at < size) {
        const void* found = std::memchr(data + at, 0xFF, size - at);
        if (found == nullptr)
            return size;
        at = std::size_t(static_cast<const std::uint8_t*>(found) - data);
        std::size_t next = at + 1;
        while (next < size && data[next] == 0xFF) // fill bytes before a marker
            ++next;
        if (next >= size)
            return size;
        if (data[next] != 0 && (data[next] < JPEG_RST0 || data[next] > JPEG_RST0 + 7))
            return at;
        at = next + 1;
    }
    return size;
}

// The 0xFF of the first marker from at on, as libjpeg looks for one between
// segments: bytes that make no marker (stuffed zeros among them) passed over
// with a warning it tolerates, the last of a run of 0xFF taken. size when none
// comes.
std::size_t NextMarker(const std::uint8_t* data, std::size_t size, std::size_t at) {
    while (at < size) {
        const void* found = std::memchr(data + at, 0xFF, size - at);
        if (found == nullptr)
            return size;
        at = std::size_t(static_cast<const std::uint8_t*>(found) - data);
        while (at + 1 < size && data[at + 1] == 0xFF)
            ++at;
        if (at + 1 >= size)
            return size;
        if (data[at + 1] != 0)
            return at;
        at += 2;
    }
    return size;
}

// The stretches of a progressive file that a thumbnail at 1/8 reads, from start,
// where libjpeg stopped after the first scan's header: every segment up to the
// scan that completes the DC coefficients, less the AC scans of components that
// show only their DC at this scale (luma, and chroma sampled as the luma), then
// the end marker. Those AC scans are most of the file; their headers are checked
// as though they were read. Throws ECodecError when the progression is damaged
// or the file ends first.
std::vector<TByteSpan> DcScanSpans(const jpeg_decompress_struct& info, const std::uint8_t* data,
                                   std::size_t size, std::size_t start) {
    static const std::uint8_t kEnd[2] = {0xFF, JPEG_EOI};
    TScanProgression progression(info.num_components);
    int components[MAX_COMPS_IN_SCAN] = {};
    for (int i = 0; i < info.comps_in_scan; ++i)
        components[i] = info.cur_comp_info[i]->component_index;
    progression.Add(components, info.comps_in_scan, info.Ss, info.Se, info.Ah, info.Al);
    std::size_t at = EndOfScanData(data, size, start);
    std::vector<TByteSpan> spans{{data + start, at - start}};
    // Bytes that follow those kept last lengthen their stretch: a new one begins
    // only after a scan passed over, so that a file of many short segments
    // costs no memory for each.
    const auto keep = [&](std::size_t from, std::size_t to) {
        TByteSpan& last = spans.back();
        if (last.Data + last.Size == data + from)
            last.Size += to - from;
        else
            spans.push_back({data + from, to - from});
    };
    while (!progression.DcComplete()) {
        const std::size_t marker = NextMarker(data, size, at);
        if (marker + 2 > size)
            ThrowCorrupt("the file ends inside the picture");
        const std::uint8_t code = data[marker + 1];
        if (code == JPEG_EOI)
            break; // the DC coefficients never completed: as far as they go
        if (code == 0x01 || (code >= JPEG_RST0 && code <= JPEG_RST0 + 7)) {
            keep(at, marker + 2); // no length: libjpeg judges it
            at = marker + 2;
            continue;
        }
        if (marker + 4 > size)
            ThrowCorrupt("the file ends inside the picture");
        const std::size_t length = std::size_t(data[marker + 2]) << 8 | data[marker + 3];
        if (length < 2 || length > size - marker - 2)
            ThrowCorrupt("the file ends inside the picture");
        const std::size_t end = marker + 2 + length;
        if (code != 0xDA) { // tables and the like, for the scans kept
            keep(at, end);
            at = end;
            continue;
        }
        const std::uint8_t* header = data + marker + 4;
        const int count = length >= 3 ? header[0] : 0;
        if (count < 1 || count > MAX_COMPS_IN_SCAN || length != 6 + 2 * std::size_t(count))
            ThrowCorrupt("bad scan header");
        bool shown = false; // a component that shows more than its DC
        for (int i = 0; i < count; ++i) {
            int index = 0;
            while (index < info.num_components &&
                   info.comp_info[index].component_id != header[1 + 2 * i])
                ++index;
            if (index == info.num_components)
                ThrowCorrupt("a scan of a component not in the frame");
            components[i] = index;
            shown = shown || ScaledBlockSide(info.comp_info[index]) > 1;
        }
        const std::uint8_t* band = header + 1 + 2 * count;
        progression.Add(components, count, band[0], band[1], band[2] >> 4, band[2] & 15);
        const std::size_t scanEnd = EndOfScanData(data, size, end);
        if (band[0] == 0 || shown)
            keep(at, scanEnd); // with the stray bytes before it, as libjpeg would read them
        at = scanEnd;
    }
    spans.push_back({kEnd, 2});
    return spans;
}

// What the frame header tells of a JPEG stream.
struct TJpegFrame {
    std::size_t Width = 0;
    std::size_t Height = 0;
    bool Progressive = false;
    int Components = 0;
    std::uint8_t Sampling[255] = {}; // per component: horizontal factor << 4 | vertical
};

// Walks the segments from the start of the data to the frame header and reads
// it. read(at, out, count) fills out with count bytes from offset at, false when
// they are not all there. False when the data is not a JPEG or no frame header
// comes within the first MiB.
template <typename TRead> bool ReadJpegFrame(TRead read, TJpegFrame& frame) {
    // The frame header follows the metadata segments (EXIF, colour profiles),
    // which rarely reach this far.
    constexpr std::uint64_t kSearched = 1024 * 1024;
    std::uint8_t b[4] = {};
    if (!read(0, b, 2) || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    std::uint64_t at = 2;
    for (;;) {
        if (at + 2 > kSearched || !read(at, b, 2) || b[0] != 0xFF)
            return false;
        if (b[1] == 0xFF) { // a fill byte before the marker
            at += 1;
            continue;
        }
        at += 2;
        if (b[1] == 0x01 || (b[1] >= 0xD0 && b[1] <= 0xD7)) // markers without a length
            continue;
        if (b[1] == 0xDA || b[1] == 0xD9) // a scan or the end before any frame
            return false;
        if (!read(at, b + 2, 2))
            return false;
        const std::size_t length = std::size_t(b[2]) << 8 | b[3];
        const unsigned marker = b[1];
        const bool isFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (length < 2)
            return false;
        if (!isFrame) {
            at += length;
            continue;
        }
        std::uint8_t f[6 + 3 * 255];
        if (length < 8 || length - 2 > sizeof f || !read(at + 2, f, length - 2))
            return false;
        frame.Progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
        frame.Height = std::size_t(f[1]) << 8 | f[2];
        frame.Width = std::size_t(f[3]) << 8 | f[4];
        frame.Components = f[5];
        if (6 + 3 * std::size_t(frame.Components) > length - 2)
            return false;
        for (int c = 0; c < frame.Components; ++c)
            frame.Sampling[c] = f[6 + 3 * c + 1];
        return true;
    }
}

// Two bytes for each coefficient of every component at full size.
std::size_t CoefficientBytes(const TJpegFrame& frame) {
    int hMax = 1, vMax = 1;
    for (int c = 0; c < frame.Components; ++c) {
        hMax = std::max(hMax, frame.Sampling[c] >> 4);
        vMax = std::max(vMax, frame.Sampling[c] & 15);
    }
    std::size_t bytes = 0;
    for (int c = 0; c < frame.Components; ++c) {
        const int h = std::max(1, frame.Sampling[c] >> 4);
        const int v = std::max(1, frame.Sampling[c] & 15);
        const std::size_t w = (frame.Width * h + hMax - 1) / hMax;
        const std::size_t hh = (frame.Height * v + vMax - 1) / vMax;
        // 64 coefficients of two bytes for each block of 8 x 8 samples.
        bytes += (w + 7) / 8 * ((hh + 7) / 8) * 128;
    }
    return bytes;
}

// The frame of data[0, size).
bool ReadJpegFrame(const std::uint8_t* data, std::size_t size, TJpegFrame& frame) {
    return ReadJpegFrame(
        [&](std::uint64_t at, std::uint8_t* out, std::size_t count) {
            if (data == nullptr || at > size || count > size - at)
                return false;
            std::memcpy(out, data + at, count);
            return true;
        },
        frame);
}

// The largest reduced scale at which a picture of width x height still covers
// need; 1 when none does.
int ScaleCovering(std::size_t width, std::size_t height, TThumbnailSize need) {
    for (int scale : {8, 4, 2})
        if ((width + scale - 1) / scale >= std::size_t(need.Width) &&
            (height + scale - 1) / scale >= std::size_t(need.Height))
            return scale;
    return 1;
}

TDecodedPicture DecodeJpegStream(const std::uint8_t* data, std::size_t size,
                                 const TDecodeOptions& options, int orientation);

// The JPEG thumbnail of the file's EXIF block decoded into picture, turned by
// the photo's orientation, when it covers need and has the shape of the photo
// (fullWidth x fullHeight upright): stretched to the photo's shape, none of its
// edges moves by a whole pixel. False, picture untouched, when the file has no
// such thumbnail or it cannot be decoded.
bool DecodeExifThumbnail(const jpeg_decompress_struct& info, int orientation, int fullWidth,
                         int fullHeight, TThumbnailSize need, const TDecodeOptions& options,
                         TDecodedPicture& picture) {
    for (jpeg_saved_marker_ptr m = info.marker_list; m != nullptr; m = m->next) {
        if (m->marker != JPEG_APP0 + 1 || m->data_length < 6 ||
            std::memcmp(m->data, "Exif\0\0", 6) != 0)
            continue;
        const TExifThumbnail where = FindExifThumbnail(m->data, m->data_length);
        const std::uint8_t* bytes = m->data + where.Offset;
        TJpegFrame frame;
        if (where.Size == 0 || !ReadJpegFrame(bytes, where.Size, frame))
            return false;
        const bool turned = orientation >= 5 && orientation <= 8;
        const std::size_t width = turned ? frame.Height : frame.Width;
        const std::size_t height = turned ? frame.Width : frame.Height;
        const std::uint64_t across = std::uint64_t(width) * std::uint64_t(fullHeight);
        const std::uint64_t down = std::uint64_t(height) * std::uint64_t(fullWidth);
        const std::uint64_t off = across > down ? across - down : down - across;
        if (width < std::size_t(need.Width) || height < std::size_t(need.Height) ||
            off >= std::uint64_t(std::min(fullWidth, fullHeight)))
            return false;
        TDecodeOptions own;
        own.MaxPixels = options.MaxPixels;
        own.Claim = options.Claim;
        own.JpegScale = static_cast<TJpegScale>(
            ScaleCovering(frame.Width, frame.Height,
                          {turned ? need.Height : need.Width, turned ? need.Width : need.Height}));
        try {
            picture = DecodeJpegStream(bytes, where.Size, own, orientation);
        } catch (const ECodecError&) {
            return false; // the photo itself is read instead
        }
        picture.FullWidth = fullWidth;
        picture.FullHeight = fullHeight;
        return true;
    }
    return false;
}

// DecodeJpeg, with the EXIF orientation of the stream itself when orientation
// is 0, else with orientation.
TDecodedPicture DecodeJpegStream(const std::uint8_t* data, std::size_t size,
                                 const TDecodeOptions& options, int orientation) {
    if (data == nullptr || size < 4)
        throw ECodecError(TCodecFailure::Corrupt, "JPEG: file too short");
    std::unique_ptr<TJpegSession, TJpegSessionFree> s(new TJpegSession());
    s->Info.err = jpeg_std_error(&s->Error.Pub);
    s->Error.Pub.error_exit = JpegErrorExit;
    s->Error.Pub.emit_message = JpegEmitMessage;
    s->Progress.Pub.progress_monitor = JpegProgress;
    s->Orientation = 1;
    const int scale = static_cast<int>(options.JpegScale);
    if (scale != 1 && scale != 2 && scale != 4 && scale != 8)
        throw std::invalid_argument("JPEG scale must be 1, 2, 4 or 8");
    if (!JpegReadHeader(s.get(), data, size, scale))
        ThrowJpeg(*s);
    if (orientation != 0)
        s->Orientation = orientation;
    // The full size bounds the memory of progressive decoding even when scaled down.
    const std::int64_t imageWidth = s->Info.image_width, imageHeight = s->Info.image_height;
    CheckPictureSize(imageWidth, imageHeight, options.MaxPixels, "JPEG");
    // Huffman coding spends at least one bit on each block of a component of
    // the first scan; a block covers at most 32 x 32 pixels (8 x 8 samples of a
    // component sampled at a quarter of the largest factor, which is 4). So no
    // file of fewer than one byte for each 8192 pixels holds the picture its
    // header claims. Arithmetic coding can code an empty block in a fraction of
    // a bit: no bound for it.
    if (!s->Info.arith_code)
        CheckDataCanFill(size, std::uint64_t(imageWidth) * std::uint64_t(imageHeight) / 8192,
                         imageWidth, imageHeight, "JPEG");
    const bool turned = s->Orientation >= 5 && s->Orientation <= 8;
    const int fullWidth = int(turned ? s->Info.image_height : s->Info.image_width);
    const int fullHeight = int(turned ? s->Info.image_width : s->Info.image_height);
    TDecodedPicture picture;
    if (options.ThumbnailNeeds) {
        const TThumbnailSize need = options.ThumbnailNeeds(fullWidth, fullHeight);
        if (need.Width >= 1 && need.Height >= 1 &&
            DecodeExifThumbnail(s->Info, s->Orientation, fullWidth, fullHeight, need, options,
                                picture))
            return picture;
    }
    int chosen = scale;
    if (options.ChooseJpegScale) {
        chosen = static_cast<int>(options.ChooseJpegScale(fullWidth, fullHeight));
        if (chosen != 1 && chosen != 2 && chosen != 4 && chosen != 8)
            throw std::invalid_argument("JPEG scale must be 1, 2, 4 or 8");
        if (chosen != scale && !JpegSetScale(s.get(), chosen))
            ThrowJpeg(*s);
    }
    // The buffered-image mode that stops early keeps the same coefficients.
    const bool dcOnly = options.ThumbnailNeeds && chosen == 8 && s->Info.progressive_mode;
    if (s->MultipleScans)
        ClaimDecodeBytes(options, WholePictureCoefficientBytes(s->Info));
    const std::int64_t width = s->Info.output_width, height = s->Info.output_height;
    AllocatePicture(picture, turned ? height : width, turned ? width : height, options, "JPEG");
    // A row as libjpeg delivers it, for pictures that are turned as they are read.
    std::vector<std::uint32_t> row;
    if (s->Orientation >= 2 && s->Orientation <= 8) {
        ClaimDecodeBytes(options, std::uint64_t(width) * 4);
        row.resize(static_cast<std::size_t>(width));
    }
    if (dcOnly) {
        const std::size_t start = std::size_t(s->Info.src->next_input_byte - data);
        const std::vector<TByteSpan> spans = DcScanSpans(s->Info, data, size, start);
        if (!JpegReadDcPixels(s.get(), spans.data(), spans.size(), picture.Pixels.data(),
                              row.data()))
            ThrowJpeg(*s);
    } else if (!JpegReadPixels(s.get(), picture.Pixels.data(), row.data())) {
        ThrowJpeg(*s);
    }
    picture.Drawn = true;
    if (picture.Width != fullWidth || picture.Height != fullHeight) {
        picture.FullWidth = fullWidth;
        picture.FullHeight = fullHeight;
    }
    return picture;
}

} // namespace

TDecodedPicture DecodeJpeg(const std::uint8_t* data, std::size_t size,
                           const TDecodeOptions& options) {
    return DecodeJpegStream(data, size, options, 0);
}

TDecodedPicture DecodeJpegFile(const std::string& path, const TDecodeOptions& options) {
    const std::vector<std::uint8_t> bytes = ReadPictureFileBytes(path, options.Claim);
    return DecodeJpeg(bytes.data(), bytes.size(), options);
}

std::size_t ProgressiveJpegCoefficientBytes(const std::uint8_t* data, std::size_t size) {
    TJpegFrame frame;
    return ReadJpegFrame(data, size, frame) && frame.Progressive ? CoefficientBytes(frame) : 0;
}

std::size_t ProgressiveJpegCoefficientBytes(const std::string& path) {
    try {
        TPictureFile file(path);
        TJpegFrame frame;
        const bool read =
            ReadJpegFrame([&](std::uint64_t at, std::uint8_t* out,
                              std::size_t count) { return file.ReadAt(at, out, count) == count; },
                          frame);
        return read && frame.Progressive ? CoefficientBytes(frame) : 0;
    } catch (const ECodecError&) {
        return 0;
    }
}
