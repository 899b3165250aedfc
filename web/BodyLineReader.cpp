#include "web/BodyLineReader.h"

namespace vornalix::web {

void BodyLineReader::Feed(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        char c = data[i];
        if (c == '\r')
            continue;
        piece.push_back(c);
        if (c == '\n' || piece.size() == kMaxPiece)
            Emit();
    }
}

void BodyLineReader::Finish() {
    if (!piece.empty())
        Emit();
}

void BodyLineReader::Emit() {
    handler(piece);
    piece.clear();
}

} // namespace vornalix::web
