// The game's side of a scripted run: the greedy player of `--play greedy[:N]` and the one line a
// run ends with. Works on the running application's game view; platform headers only, no SDL.
#pragma once

#include <functional>
#include <string>

#include "platform/app/Application.h"

// A player that, each time the board is at rest, clicks the group worth the most points among
// those a click reaches (a group with a bubble under some point of the view), a first click to
// select it and a second to burst it; with no such group it turns the cube (a direction drawn
// from a generator seeded by the board's number). Done after `moves` bursts and turns (a
// negative count: when the game is over), once the board is at rest again, or when 100 turns in
// a row found nothing to burst.
std::function<ScriptAction()> greedyPlayer(int moves);

// "state=playing|paused|over score=S best=B game=N practice=0|1" for the running game.
std::string scriptStateLine();
