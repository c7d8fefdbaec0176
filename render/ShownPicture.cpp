#include "render/ShownPicture.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Everything of the board record after `frame`, which the drawing bumps on every frame, but the
// share of the clock left and its flag: the time bar shows them, and it is no part of the scene.
static_assert(offsetof(Puzzle, frame) == 0 && offsetof(Puzzle, counter) == sizeof(std::uint32_t));
constexpr std::size_t kRotOffset = offsetof(Puzzle, currRot);
constexpr std::size_t kProgressOffset = offsetof(Puzzle, progress);
constexpr std::size_t kAfterProgress = kProgressOffset + sizeof(float);

bool sameShownBoard(const Puzzle& a, const Puzzle& b) {
    const auto* pa = reinterpret_cast<const char*>(&a);
    const auto* pb = reinterpret_cast<const char*>(&b);
    return a.counter == b.counter && ((a.flags ^ b.flags) & ~kPuzzleProgressChanged) == 0 &&
           std::memcmp(pa + kRotOffset, pb + kRotOffset, kProgressOffset - kRotOffset) == 0 &&
           std::memcmp(pa + kAfterProgress, pb + kAfterProgress,
                       sizeof(Puzzle) - kAfterProgress) == 0;
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
