// save_timer: times the PNG and GIF writers on a picture, for the peer
// benchmark (bench/peer_merge.py), which times Pillow's saves the same way.
//
//   save_timer INPUT.png png LEVEL OUTPUT
//   save_timer INPUT.png gif OUTPUT
//
// Decodes INPUT, then encodes it and writes OUTPUT, and prints the seconds the
// encoding and the writing took together.
#include "codecs/uGifWriter.h"
#include "codecs/uPngReader.h"
#include "codecs/uPngWriter.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool png = args.size() == 4 && args[1] == "png";
    const bool gif = args.size() == 3 && args[1] == "gif";
    if (!png && !gif) {
        std::fprintf(stderr, "usage: save_timer INPUT.png png LEVEL OUTPUT\n"
                             "       save_timer INPUT.png gif OUTPUT\n");
        return 2;
    }
    try {
        const TDecodedPicture picture = DecodePngFile(args[0]);
        const auto start = std::chrono::steady_clock::now();
        const std::vector<std::uint8_t> file =
            png ? EncodePng(picture, std::stoi(args[2])) : EncodeGif(picture);
        std::ofstream out(args.back(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
        out.close();
        if (!out)
            throw std::runtime_error("cannot write " + args.back());
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::printf("%.6f\n", seconds.count());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "save_timer: %s\n", e.what());
        return 1;
    }
    return 0;
}
