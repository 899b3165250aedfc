#pragma once
// Cuts a response body into lines as the page reader wants them: CR dropped, the LF that ends
// a line kept, and a longer line handed over in pieces of at most kMaxPiece characters.
#include <cstddef>
#include <functional>
#include <string>

namespace vornalix::web {

class BodyLineReader {
public:
    static constexpr std::size_t kMaxPiece = 1022;
    using LineHandler = std::function<void(std::string& line)>;

    explicit BodyLineReader(LineHandler handler) : handler(std::move(handler)) {}

    void Feed(const char* data, std::size_t size);
    // Hands over the last, unterminated piece if there is one.
    void Finish();
    // Forgets a partly read line (a new response starts).
    void Reset() { piece.clear(); }

private:
    void Emit();

    LineHandler handler;
    std::string piece;
};

} // namespace vornalix::web
