// The game's side of a scripted run: the greedy player of `--play greedy[:N]` and the one line a
// run ends with. Reads the running game through the callbacks of a ScriptedGame, which the
// program builds from its game view; the model and the camera's arithmetic otherwise. No SDL.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/app/Application.h"

// What a scripted run reads of the running game. Each call asks afresh: the view may not exist
// yet, or any more. The others are asked only while `running` says it does.
struct ScriptedGame {
    std::function<bool()> running;
    std::function<bool()> paused;
    std::function<bool()> practice;
    std::function<std::uint32_t()> gameNumber;
    // The view's frame in window points, and the window's pixels per point.
    std::function<Rect()> frame;
    std::function<float()> contentScale;
    // The viewport pixel that a click at `inView` (points in the view) picks at.
    std::function<void(Point inView, int* x, int* y)> pickPixel;
    // Makes the view's GL context current, so that its camera can be read.
    std::function<void()> makeCurrent;
};

// A player that, each time the board is at rest, clicks the group worth the most points among
// those a click reaches, a first click to select it and a second to burst it; with no such group
// it turns the cube (a direction drawn from a generator seeded by the board's number). Done after
// `moves` bursts and turns (a negative count: when the game is over), once the board is at rest
// again, or when 100 turns in a row found nothing to burst.
//
// Where it clicks: of the largest groups, the one a click reaches first on a grid of every third
// window pixel read row by row from the top-left, at that pixel. It looks only around each
// bubble of those groups (the square its projection fits in), at most kMostTriesPerBubble grid
// points a bubble, so its cost follows the bubbles, not the window's area.
std::function<ScriptAction()> greedyPlayer(int moves, ScriptedGame game);

// "state=playing|paused|over score=S best=B game=N practice=0|1" for the running game.
std::string scriptStateLine(const ScriptedGame& game);
