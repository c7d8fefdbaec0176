// Whole games through the headless driver: the soak over many seeds with the board's
// invariants checked after every frame and move. (The clock of timed games, also across 2038, is
// checked with the frame update; that a game number replays its game, with the game end to end.)
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "sim/GameDriver.h"

namespace {

struct Shard {
    long firstSeed;
    int games;
    Policy policy;
    int gameType;
};

class Soak : public ::testing::TestWithParam<Shard> {};

} // namespace

TEST_P(Soak, EveryGameEndsWithTheBoardConsistent) {
    const Shard shard = GetParam();
    int ends[6] = {};
    for (int g = 0; g < shard.games; ++g) {
        GameConfig config;
        config.seed = shard.firstSeed + g;
        config.policy = shard.policy;
        config.gameType = shard.gameType;
        config.thinkFrames = 1;
        config.validate = true;
        const GameResult r = playGame(config);
        ASSERT_EQ(r.error, "") << "seed " << r.seed;
        ASSERT_NE(r.end, GameEnd::Unfinished) << "seed " << r.seed << " after " << r.frames;
        // The device vibrates once when the game itself ends, never when the player gives up.
        ASSERT_EQ(r.vibrations, r.end == GameEnd::Abandoned ? 0 : 1) << "seed " << r.seed;
        ++ends[static_cast<int>(r.end)];
    }
    // Boards whose pairs no turn brings together are rare; the player gives up on them.
    EXPECT_LE(ends[static_cast<int>(GameEnd::Abandoned)] * 50, shard.games);
    // The greedy untimed shards must see the solver end games, and games end other ways too.
    if (shard.policy == Policy::Greedy && shard.gameType == 0) {
        EXPECT_GT(ends[static_cast<int>(GameEnd::NoMoveLeft)], 0);
        EXPECT_GT(
            ends[static_cast<int>(GameEnd::NoPairs)] + ends[static_cast<int>(GameEnd::Cleared)], 0);
    }
}

// 1,200 games in shards that CTest can run side by side.
INSTANTIATE_TEST_SUITE_P(
    Games, Soak,
    ::testing::Values(Shard{1, 250, Policy::Greedy, 0}, Shard{1001, 250, Policy::Greedy, 0},
                      Shard{2001, 250, Policy::Random, 0}, Shard{3001, 250, Policy::Random, 0},
                      Shard{4001, 100, Policy::Greedy, 1}, Shard{5001, 100, Policy::Random, 3}),
    [](const ::testing::TestParamInfo<Shard>& shardInfo) {
        return std::string(shardInfo.param.policy == Policy::Greedy ? "Greedy" : "Random") +
               "Type" + std::to_string(shardInfo.param.gameType) + "From" +
               std::to_string(shardInfo.param.firstSeed);
    });
