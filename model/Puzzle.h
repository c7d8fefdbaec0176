// The game model: the board record, its flag bits, the game globals through which the
// model and the game view exchange requests, and every model function.
// Depends on the C++ standard library alone: no SDL, no GL, no threads.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------------------------
// Records. Plain data without pointers, so a board is copied byte for byte.

struct BlockState {
    std::int32_t color;     // 0 ... 6, see the colour indices below
    std::uint32_t flags;    // kBlock* bits
    float scale[3];         // drawing scale, all three equal; 1.0 at rest
    float rotation[3];      // [0]: angle of the burst cloud, degrees; [1], [2] stay 0
    float offset[3];        // drawn displacement from the cell's position, world units
    float dirVec[3];        // step added to offset per frame; while bursting [0] is the cloud's start angle
    std::int32_t frame;     // burst animation frame, -4k for the k-th bubble of a burst
};

struct Block {
    BlockState state;         // the bubble now in this cell
    float position[3];        // cell centre after the cube's current rotation
    float origin[3];          // cell centre in the unrotated cube: (x - 2, y - 2, z - 2)
    std::int32_t friends[6];  // neighbours +z, -z, -x, +x, below, above; -1 on the cube's face
    std::int32_t shadowIndex; // the cell's column, 5x + z
};

struct Shadow {
    std::uint8_t valid;    // the column holds a bubble that is not dead this frame
    std::uint8_t selected; // one of them is selected
    float position[3];     // x, z of the column's topmost non-dead cell; y the lowest one's
    float scale[3];        // component-wise maximum over the column's non-dead cells
};

constexpr int kGridSize = 5;
constexpr int kNumBlocks = 125;
constexpr int kNumShadows = 25;

struct Puzzle {
    std::uint32_t frame;       // frames drawn since the board was made (the drawing counts it)
    std::uint32_t counter;     // frames left to show the selection's score bubble
    std::uint32_t flags;       // kPuzzle* bits
    float currRot[3];          // current angles, degrees: [1] up/down, [2] left/right, [0] stays 0
    float dstRot[3];           // target angles, degrees, kept in [0, 360)
    std::int32_t startTime;    // calendar seconds when the clock started (wraps in 2038, see elapsedSeconds)
    float numGameSecs;         // length of a timed game, 0 when untimed
    float progress;            // fraction of the game time left
    Block blocks[kNumBlocks];  // cell n = 25y + 5x + z
    Shadow shadows[kNumShadows];
    std::uint32_t drawIndex[kNumBlocks]; // cell indices far to near
    std::uint32_t score;
    std::uint32_t selectScore; // points the current selection would earn, 0 without one
};

// Block flag bits (BlockState.flags).
constexpr std::uint32_t kBlockSelected = 0x001;
constexpr std::uint32_t kBlockGrowing = 0x002;
constexpr std::uint32_t kBlockShrinking = 0x004;
constexpr std::uint32_t kBlockPopped = 0x008;
constexpr std::uint32_t kBlockLone = 0x010;
constexpr std::uint32_t kBlockAnchor = 0x020;
constexpr std::uint32_t kBlockMoving = 0x040;
constexpr std::uint32_t kBlockFalling = 0x080;
constexpr std::uint32_t kBlockBursting = 0x100;

// Puzzle flag bits (Puzzle.flags); 0x001 and 0x002 are unused.
constexpr std::uint32_t kPuzzleBusy = 0x004;
constexpr std::uint32_t kPuzzleStarting = 0x008;
constexpr std::uint32_t kPuzzleGameOver = 0x010;
constexpr std::uint32_t kPuzzleShowScore = 0x020;
constexpr std::uint32_t kPuzzleTimed = 0x040;
constexpr std::uint32_t kPuzzleTimeWarned = 0x080;
constexpr std::uint32_t kPuzzleProgressChanged = 0x100;

// Colour indices; any other value draws as purple.
enum : std::int32_t {
    kColorRed = 0,
    kColorBlue = 1,
    kColorGreen = 2,
    kColorYellow = 3,
    kColorPurple = 4,
    kColorOrange = 5,
    kColorWhite = 6,
    kNumColors = 7,
};

// Direction codes of rotatePuzzle and swapBlocks.
enum : int { kDirLeft = 0, kDirRight = 1, kDirUp = 2, kDirDown = 3 };

// A cell holds no bubble: popped and its burst over.
inline bool isDead(const BlockState& s) {
    return (s.flags & kBlockPopped) && !(s.flags & kBlockBursting);
}
// A bubble that has not burst.
inline bool isLive(const BlockState& s) { return !(s.flags & kBlockPopped); }

// ---------------------------------------------------------------------------------------------
// Game globals: a request is raised by writing 1 and consumed by writing 0. Main thread only.

extern Puzzle puzzle;

extern int checkSolution;
extern int solveRequest;
extern int opRunning;
extern int quitRequest;
extern int popSndRequest;
extern int dropSndRequest;
extern int cheerSndRequest;
extern int rejectSndRequest;
extern int startSndRequest;
extern int warnSndRequest;
extern int highScoreSndRequest;
extern int gameType;
extern int hintState;
extern int sfxState;
extern unsigned int highScore;
extern Block* blocksPtr;

// Puts every global above (not `puzzle`) back to its initial value; for tests and the driver.
void resetGameGlobals();

// ---------------------------------------------------------------------------------------------
// Platform hooks the model calls out through. Each has a working default.

// Calendar seconds. Default: time(). Tests and the driver inject a simulated clock.
using PuzzleClock = std::int64_t (*)();
void setPuzzleClock(PuzzleClock clock); // nullptr restores the default
std::int64_t puzzleTime();

// Whole seconds from a stored 32-bit startTime to `now`, right across January 2038.
std::int64_t elapsedSeconds(std::int32_t startTime, std::int64_t now);

// The system-sound call; the model uses it only to vibrate once when a game ends.
constexpr std::uint32_t kSystemSoundID_Vibrate = 0xFFF;
using SystemSoundHandler = void (*)(std::uint32_t soundId);
void setSystemSoundHandler(SystemSoundHandler handler); // nullptr: the call does nothing
void AudioServicesPlaySystemSound(std::uint32_t soundId);

// The allocator behind the index stack and the solver's boards (realloc semantics, except that
// size 0 is never asked for) and its free. Tests swap them to simulate exhaustion and count
// blocks; nullptr restores the C library's.
using ModelRealloc = void* (*)(void* p, std::size_t size);
using ModelFree = void (*)(void* p);
void setModelRealloc(ModelRealloc fn);
void setModelFree(ModelFree fn);
void* modelRealloc(void* p, std::size_t size);
void modelFree(void* p);

// ---------------------------------------------------------------------------------------------
// The 48-bit linear congruential generator of POSIX, our own so that a seed gives the same
// board everywhere. One generator for the whole game, as with the C library's.

namespace rand48 {
void srand48(long seed);
long lrand48();
} // namespace rand48

// ---------------------------------------------------------------------------------------------
// Index stack: a growable first-in, first-out list of ints, despite its operations' names.

struct Stack {
    std::int32_t count;   // items held
    std::int32_t* items;  // exactly `count` items, oldest first; null while empty
};

constexpr std::int32_t kStackMaxItems = 32768;

Stack* createStack();              // nullptr when memory cannot be had
void deleteStack(Stack* stack);    // accepts nullptr
int pushStack(Stack* stack, int value); // 1 on success; 0 when null, full or out of memory
int popStack(Stack* stack);        // the oldest item; 0 when null or empty
int isStackEmpty(Stack* stack);    // 1 when null or empty

// ---------------------------------------------------------------------------------------------
// New board.

void initPuzzle(Puzzle* p);                     // seeded with the calendar time
void initPuzzleWithSeed(Puzzle* p, long seed);  // the same board for the same seed
void calcBlockPosition(float out[3], const Block* block);

// Group selection and scoring.
void selectBlock(Puzzle* p, Block* block);
void updateSelection(Puzzle* p);
// Drops the selection and its score bubble; false when nothing was selected.
bool clearSelection(Puzzle* p);
std::uint32_t groupScore(int n); // (max(n, 2) - 1)^2

// Cube rotation and re-gridding.
void rotatePuzzle(Puzzle* p, int direction);
void updatePuzzleOrientation(Puzzle* p);
void swapBlocks(Puzzle* p, int direction);
// The cell that permutation `direction` carries the state of cell n to.
int permutedCell(int n, int direction);

// Collapse and per-bubble animation.
void updateBlock(Block* block);
int shiftBlock(Puzzle* p, Block* block, const float matrix[16], int updatePosition);

// Frame update.
void updatePuzzle(Puzzle* p);
int compareBlocks(const void* a, const void* b);
