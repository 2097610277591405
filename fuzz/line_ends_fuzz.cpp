// The line-end translation on any bytes: decoding whole, in pieces and in
// place agree; the stored form of anything reads back exactly.
#include "LineEnds.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using Bytes = std::vector<std::uint8_t>;
    const Bytes input(data, data + size);

    const Bytes decoded = kd::DecodeLineEnds(input);
    std::size_t pairs = 0;
    for (std::size_t i = 0; i + 1 < size; ++i)
        if (data[i] == 0x0D && data[i + 1] == 0x0A) ++pairs, ++i;
    Check(decoded.size() == size - pairs);

    // Pieces whose sizes come from the data itself.
    Bytes pieces(size + 1);
    kd::LineEndDecoder decoder;
    std::size_t n = 0, at = 0, step = 0;
    while (at < size) {
        const std::size_t len = std::min<std::size_t>(1 + data[step++ % size] % 7, size - at);
        n += decoder.Decode(data + at, len, pieces.data() + n);
        at += len;
    }
    n += decoder.Finish(pieces.data() + n);
    pieces.resize(n);
    Check(pieces == decoded);

    Bytes inPlace = input;
    kd::LineEndDecoder once;
    std::size_t m = once.Decode(inPlace.data(), inPlace.size(), inPlace.data());
    m += once.Finish(inPlace.data() + m);
    inPlace.resize(m);
    Check(inPlace == decoded);

    Bytes stored;
    kd::EncodeLineEnds(input, stored);
    Check(kd::DecodeLineEnds(stored) == input);
    return 0;
}
