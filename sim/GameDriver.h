// Plays whole games without a screen, as the game view would: one frame update per tick on the
// global `puzzle`, a player policy acting between ticks, the sound requests consumed, and the real
// solver operation started when the model asks for it. The clock is simulated (0.02 s a frame).
#pragma once

#include <cstdint>
#include <string>

enum class Policy { Random, Greedy };
// Abandoned: with more than 15 bubbles the game never asks the solver, so a board whose pairs no
// turn can bring together would go on forever; the player gives up as a person would.
enum class GameEnd { Cleared, NoPairs, TimeUp, NoMoveLeft, Abandoned, Unfinished };

const char* gameEndName(GameEnd end);
// Parses "random" or "greedy"; false for anything else.
bool parsePolicy(const std::string& text, Policy* out);

struct GameConfig {
    long seed = 1;
    int gameType = 0;              // 0 untimed, 1 ... 5 minutes
    Policy policy = Policy::Greedy;
    int thinkFrames = 5;           // frames the player waits at rest before each action
    int giveUpTurns = 500;         // turns in a row without a burst before the player gives up
    std::uint64_t maxFrames = 200000;
    std::int64_t clockStart = 1800000000; // simulated calendar seconds at the first frame
    bool validate = false;         // check the invariants after every frame and every move
};

struct GameResult {
    long seed = 0;
    std::uint64_t frames = 0;
    std::uint32_t score = 0;
    int bursts = 0;
    int turns = 0;
    int solverRuns = 0;
    int vibrations = 0;
    GameEnd end = GameEnd::Unfinished;
    std::string error; // the first broken invariant; empty when none
};

// One game tick by tick, for callers that time or inspect single frames. Only one session may
// exist at a time: it owns the global `puzzle` and the model's hooks while it lives.
class GameSession {
public:
    explicit GameSession(const GameConfig& config);
    ~GameSession();
    GameSession(const GameSession&) = delete;
    GameSession& operator=(const GameSession&) = delete;

    // Between ticks: the solver's answer arrives, then the player acts if the board is at rest.
    void beforeFrame();
    // The frame update alone.
    void frame();
    // The rest of the tick: sounds and progress consumed, the solver started when asked, the
    // invariants checked. Returns false once the game has ended or an invariant broke.
    bool afterFrame();
    // All three; false once the game is over.
    bool tick();

    const GameResult& result() const;

private:
    struct State;
    State* state_;
};

GameResult playGame(const GameConfig& config);
