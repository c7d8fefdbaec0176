// The game view: an EAGLView that runs the game on the global puzzle. It owns the frame timer, the
// touches, the solver's queue and the sounds; it keeps the best score and shows the About alert.
// Platform headers only; no SDL.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Classes/EAGLView.h"
#include "Classes/SoundEffect.h"
#include "desktop/input/KeyboardPlay.h"
#include "desktop/panels/AboutAlert.h"
#include "desktop/panels/TimeBar.h"
#include "desktop/play/FrameRest.h"
#include "desktop/play/GameOutcome.h"
#include "desktop/play/GameSession.h"
#include "desktop/play/SolverHandOff.h"
#include "model/Puzzle.h"
#include "platform/gl/GLExtensions.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Window.h"
#include "render/SceneDrawing.h"
#include "render/SceneFrames.h"
#include "render/ShownPicture.h"
#include "render/Textures.h"

class OperationQueue;
class ProgressView;
class RunLoopTimer;
class SolveOperation;

class PuzzleView : public EAGLView, public Responder, public AlertViewDelegate {
public:
    // The surface (RGB565 asked for, no depth buffer, preserved back buffer), made current; GL
    // state and camera, the first board, the background, the textures, the sounds and an
    // operation queue, and the background presented as the first frame. nullptr, with the
    // surface's log line, when there is no surface. The frame timer is not started.
    static std::unique_ptr<PuzzleView> initWithFrame(const Rect& frame);
    // Cancels and waits for a solver run, stops the timer, lets go of the time bar.
    ~PuzzleView() override;

    // GL state and camera for the surface's size, then the first board into `puzzle`.
    void initView();

    // The scene passes over the whole surface; both leave GL_PROJECTION selected.
    void fillBackground() { ::fillBackground(); }
    void drawBackground() { ::drawBackground(); }

    // All 21 textures into their globals, drawn for the cube's drawing scale; one image into a
    // new texture (0 on failure).
    void loadTextures() { loadTextures(drawingScale()); }
    // The textures drawn for `scale` pixels per point (the window grew or shrank), replacing
    // those loaded before unless they are of the same image scale; the next tick draws.
    void loadTextures(float scale);
    // The bubbles with their colour's symbol or plain, at once.
    void setShowSymbols(bool on);
    GLuint loadTextureFromResource(const std::string& name, int startLevel, int stopLevel) {
        return ::loadTextureFromResource(name, startLevel, stopLevel);
    }

    // The seven sounds; the requested ones played and every request cleared.
    void loadSoundEffects() { ::loadSoundEffects(sounds_); }
    void playSounds() { ::playSounds(sounds_); }
    const GameSounds& sounds() const { return sounds_; }

    // ---- Frame timer, on the main run loop ----

    // (Re)starts the repeating timer that calls drawView(); never leaves two timers. The timer
    // sleeps while nothing moves (see FrameRest).
    void startAnimation(float interval);
    // Invalidates the timer so that no tick follows, and forgets it; nothing without one.
    void stopAnimation();
    // Invalidates the timer held (unless it is `timer` itself), then keeps `timer`.
    void setAnimationTimer(std::shared_ptr<RunLoopTimer> timer);
    const std::shared_ptr<RunLoopTimer>& animationTimer() const { return animationTimer_; }

    // One frame tick: the frame update, the best score, the frame (unless nothing it shows has
    // changed since the last one presented), the sounds, the time bar and a solver launch.
    void drawView();
    // The drawing half of a tick, always drawn and presented: background, one model update, the
    // board. For screenshots and drawing tests; the game ticks through drawView().
    void drawFrame();
    // The next tick draws and presents even if the board rests: the surface was exposed or
    // resized, or something outside the board that shows with it changed.
    void setNeedsDisplay() {
        needsDisplay_ = frameAsked_ = true;
        FrameRest::wake(animationTimer_.get());
    }
    bool needsDisplay() const { return needsDisplay_; }

    // ---- Touches: positions in view points, origin at the top-left, y downward ----

    // Picks the bubble under the touch and hands it to the model's selection.
    void touchesBegan(Point location, Point previousLocation);
    void touchesMoved(Point location, Point previousLocation);
    void touchesEnded(Point location, Point previousLocation);
    void touchesCancelled(Point location, Point previousLocation);
    // The same, for touches that the window hands to the view.
    void touchesBegan(const Touch& touch) override;
    void touchesMoved(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void touchesCancelled(const Touch& touch) override;
    // The latest touch-down (or later move of it) and the previous position of a moved or ended
    // touch, both with the origin at the bottom-left.
    Point location() const { return location_; }
    void setLocation(Point p) { location_ = p; }
    Point previousLocation() const { return previousLocation_; }
    void setPreviousLocation(Point p) { previousLocation_ = p; }

    // ---- Commands ----

    void rotateLeft() { rotateTo(kDirLeft); }
    void rotateRight() { rotateTo(kDirRight); }
    void rotateUp() { rotateTo(kDirUp); }
    void rotateDown() { rotateTo(kDirDown); }
    // New game: the solver stopped, its flags cleared, a new board, the time bar refilled.
    void refreshAction();
    // Shows the About alert in the key window; its "Email" button opens the contact link. A game
    // under way pauses until the alert (or the notice that follows it) is dismissed.
    void infoAction();
    // The About alert was dismissed with this button.
    void alertView(AlertView* alertView, int clickedButtonAtIndex) override;
    AlertView* aboutAlert() const { return about_.current(); }
    // The e-mail link of the About alert.
    static std::string contactURL() { return AboutAlert::contactLink(); }

    // ---- The desktop's game: numbers, undo, pause and the end (its session) ----

    // A new game on board `number` (the seed it is made from): the same number, the same board.
    // refreshAction() takes the number from the calendar clock.
    void newGameWithNumber(std::uint32_t number);
    std::uint32_t gameNumber() const { return session_.gameNumber(); }
    // Undo was used in this game: its score raises no best score.
    bool isPractice() const { return session_.isPractice(); }
    // Ctrl+Z and Ctrl+Y: a step back or forward through the game's boards, taken as soon as the
    // board is at rest (a burst, fall or turn under way finishes first). A step cancels a
    // solver run. Nothing once the game is over; a step asked for while paused only resumes.
    void undoAction() {
        session_.undo();
        FrameRest::wake(animationTimer_.get());
    }
    void redoAction() {
        session_.redo();
        FrameRest::wake(animationTimer_.get());
    }
    bool canUndo() const { return session_.canUndo(); }
    bool canRedo() const { return session_.canRedo(); }
    // Pause: the game's clock, the frame updates, the drawing and the sounds stand still, and
    // whoever shows the view covers the cube. Only while a game is under way.
    void pauseAction() { session_.togglePause(); }
    void pause() { session_.pause(); }
    void resume() { session_.resume(); }
    bool isPaused() const { return session_.isPaused(); }
    // Why the game ended, once it has.
    bool hasEnded() const { return session_.hasEnded(); }
    GameEndReason endReason() const { return session_.endReason(); }
    // Told once per game when it has ended and its bursts and falls have settled.
    void setGameOverHandler(std::function<void(const GameOutcome&)> handler) {
        session_.setGameOverHandler(std::move(handler));
    }
    // Told when the game number, the pause or the practice mark changed.
    void setGameStateHandler(std::function<void()> handler) {
        gameStateHandler_ = std::move(handler);
    }
    // Scripted runs: a solver run's answer is taken before the next frame, so that a run of the
    // game repeats exactly.
    static void setSolverAnswersBeforeNextFrame(bool on);
    // Scripted runs: the ticks update the game but draw nothing until presentCurrentFrame()
    // draws the board as it is (no update), for a picture.
    static void setFramesUnseen(bool on);
    void presentCurrentFrame();
    // The pick pixel of a view point (origin top-left), as a touch there picks.
    void pickPixel(Point location, int* x, int* y) const;

    // ---- Keyboard play ----

    // Moves the keyboard cursor, taps under it (as a click at the bubble's centre) or gives a
    // hint; false while paused. Clicks and mouse motion in the view hide the cursor.
    bool keyboardAction(KeyboardCursor::Key key);
    void hideKeyboardCursor();
    // Drops the selected group, as Escape does; false when there was none (or while paused).
    bool clearSelection();
    const KeyboardCursor& keyboardCursor() const { return keyboard_.cursor(); }
    // Told frame by frame how strongly to light the arrow button of a turn a hint points at
    // (a kDir* code), ending with 0.
    void setTurnPulseHandler(std::function<void(int direction, float amount)> handler) {
        turnPulseHandler_ = std::move(handler);
    }
    // Told when the notice that a hint found no series of turns bringing a group into reach
    // should show (true) and when it has gone (false).
    void setNoPairNoticeHandler(std::function<void(bool shown)> handler) {
        noPairNoticeHandler_ = std::move(handler);
    }
    const SceneFrames& sceneFrames() const { return frames_; }

    // ---- Settings and best score ----

    void setSfxState(unsigned value) { sfxState = static_cast<int>(value); }
    void setHintState(unsigned value) { hintState = static_cast<int>(value); }
    void setGameType(unsigned value) { gameType = static_cast<int>(value); }
    void setHighScore(unsigned score) { highScore = score; } // not persisted
    unsigned getHighScore() const { return highScore; }
    void saveHighScore(unsigned score); // persisted at once
    // Told once per game that ends with a new best score, in the tick that records it, so that
    // the application can store it at once. setHighScore alone does not call it.
    void setNewHighScoreHandler(std::function<void(unsigned score)> handler) {
        newHighScoreHandler_ = std::move(handler);
    }

    // The time bar (not owned): filled, and hidden for untimed games.
    void setProgressView(ProgressView* progressView);
    ProgressView* progressView() const { return timeBar_.bar(); }

    // ---- Solver ----

    // Stops watching the run, cancels it and waits until it has ended. The queue stays.
    void cancelSolveOperation() { solver_.cancelRun(); }
    // The queue of the current run (or the idle one made at construction); none after a run
    // completed.
    OperationQueue* operationQueue() const { return solver_.queue(); }
    // The run being watched, or none.
    std::shared_ptr<SolveOperation> solveOperation() const;

    // What a launch creates; tests put slower or scripted runs in. nullptr restores the solver.
    using SolveOperationFactory = std::shared_ptr<SolveOperation> (*)(const Puzzle* p);
    static void setSolveOperationFactory(SolveOperationFactory factory);

    // A new size gives the surface new buffers of the new size, and the camera and viewport
    // for it: the picture keeps its rules, only larger or smaller.
    void layoutSubviews() override;

    // How sharp the cube's images should be: the surface's pixels per point of the 392-point
    // height that the game view has in the 320 x 480 window, since the cube fills the view's
    // height whatever its width. The content scale in that window; more in a larger one.
    float drawingScale() const;

protected:
    explicit PuzzleView(const Rect& frame);
    void windowGeometryDidChange() override;

private:
    // The desktop's part of a tick, after the frame update: a scripted run's solver answer, the
    // session's steps and end, the time bar's warning.
    void followGame();
    void showTimeWarning();
    void startGame(std::uint32_t number);
    void rotateTo(int direction);
    void noteGameState();
    void launchSolveOperation() { solver_.launch(puzzle); }
    // On the main thread, for every run that finished: acted on only for the watched one.
    void solveOperationDidFinish(const std::shared_ptr<Operation>& op) { solver_.runFinished(op); }
    void showProgressView();
    // False when the frame would be the one presented last.
    bool pictureMayHaveChanged() const { return needsDisplay_ || shown_.mayDiffer(puzzle); }
    void rememberPresentedPicture();
    KeyboardPlay::ViewGeometry keyboardGeometry() const;
    void followKeyboard(const KeyboardPlay::ViewChange& change);
    // The background, the board and the keyboard cursor's ring, all of it or what changed since
    // the frame before; returns the pixels that may have changed.
    PixelBox drawBoard(bool everything);
    // Draws and presents what changed since the last picture (all of it after setNeedsDisplay).
    void presentChanges();
    // Shows the time bar where it changed during this tick, without drawing the scene.
    void presentTimeBarChange();

    std::shared_ptr<RunLoopTimer> animationTimer_;
    TextureSet textures_;
    Point location_;
    Point previousLocation_;
    std::uint8_t firstTouch_ = 0;
    SolverHandOff solver_;
    TimeBar timeBar_;
    GameSounds sounds_;

    AboutAlert about_;
    GameSession session_;
    std::function<void()> gameStateHandler_;
    std::function<void(unsigned)> newHighScoreHandler_;
    KeyboardPlay keyboard_;
    std::function<void(int, float)> turnPulseHandler_;
    std::function<void(bool)> noPairNoticeHandler_;
    SceneFrames frames_;     // the last frames' draws, to redraw only what changed
    GLuint arrayBuffer_ = 0; // the scene's quads, in the view's context
    bool needsDisplay_ = true;
    bool frameAsked_ = false; // setNeedsDisplay() was called, or the bar pulses, during this tick
    bool timeBarChanged_ = false;
    FrameRest rest_;
    ShownPicture shown_;
};
