#include "hostnet/OsVersionWord.h"

#include "hostnet/Platform.h"

#include <atomic>

namespace vornalix::hostnet {

namespace {
std::atomic<std::uint16_t>& Word() {
    static std::atomic<std::uint16_t> word{PlatformOsVersionWord()};
    return word;
}
} // namespace

std::uint16_t OsVersionWord() {
    return Word().load();
}

void SetOsVersionWord(std::uint16_t word) {
    Word().store(word);
}

} // namespace vornalix::hostnet
