// The game's seven sound effects as synthesis recipes, keyed by their resource names.
// Standard library only; each recipe is a pure function with its own fixed noise seed.
#pragma once

#include "tools/sound/Synth.h"

#include <span>

namespace sound {

struct SoundRecipe {
    const char* resourceName; // the file is resourceName + ".caf"
    Samples (*synthesise)();
};

// In the order the game view loads them: pop, drop, cheer, reject, start, warn, best score.
std::span<const SoundRecipe> soundRecipes();

Samples makePop();           // "pop": a bubble bursting
Samples makeSelect();        // "Select": a bubble landing, a soft thock
Samples makeWhistle();       // "whistle_shrill_x": a shrill cheering whistle
Samples makeCowbell();       // "cowbell": the reject sound
Samples makeComedyBubbles(); // "Comedy Bubbles": comic bubbly blips for a new game
Samples makeTimer();         // "timer": the alarm for ten seconds left
Samples makeCrowdCheer();    // "Crowd_cheer6": a crowd cheering a new best score

} // namespace sound
