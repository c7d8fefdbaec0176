#include "render/ShownPicture.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Everything of the board record after `frame`, which the drawing bumps on every frame.
static_assert(offsetof(Puzzle, frame) == 0 && offsetof(Puzzle, counter) == sizeof(std::uint32_t));
constexpr std::size_t kShownOffset = offsetof(Puzzle, counter);
constexpr std::size_t kShownSize = sizeof(Puzzle) - kShownOffset;

bool sameShownBoard(const Puzzle& a, const Puzzle& b) {
    return std::memcmp(reinterpret_cast<const char*>(&a) + kShownOffset,
                       reinterpret_cast<const char*>(&b) + kShownOffset, kShownSize) == 0;
}

} // namespace

ShownPicture::Settings ShownPicture::current() {
    return {sfxState, hintState, gameType, highScore};
}

bool ShownPicture::mayDiffer(const Puzzle& board) const {
    return !(settings_ == current()) || !sameShownBoard(board_, board);
}

void ShownPicture::remember(const Puzzle& board) {
    std::memcpy(&board_, &board, sizeof board);
    settings_ = current();
}
