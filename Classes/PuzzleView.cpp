// The game view: set-up, the frame tick, touches and commands on top of the GL surface view. Its
// About alert, time bar, solver hand-off and keyboard play are parts of their own that it owns
// and calls. Platform headers only; no SDL.
#include "Classes/PuzzleView.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "Classes/SolveOperation.h"
#include "desktop/record/Settings.h"
#include "math/Camera.h"
#include "model/Puzzle.h"
#include "platform/base/RunLoop.h"
#include "platform/gl/GLExtensions.h"
#include "platform/gl/GLLayer.h"
#include "platform/media/Resources.h"
#include "platform/media/SystemSound.h"
#include "platform/store/UserDefaults.h"
#include "platform/ui/ProgressView.h"
#include "render/BlockPicking.h"

namespace {

constexpr bool kPreserveBackbuffer = true;

PuzzleView::SolveOperationFactory solveOperationFactory = nullptr;
// Scripted runs: frames are updated but drawn only when a picture is asked for, and a solver
// run's answer is taken before the next frame.
bool unseenFrames = false;
bool solverAnswersBeforeNextFrame = false;

std::shared_ptr<Operation> makeSolveOperation(const Puzzle* p) {
    if (solveOperationFactory) return solveOperationFactory(p);
    return SolveOperation::initWithPuzzleData(p);
}

bool solveOperationFoundMove(const Operation& op) {
    return static_cast<const SolveOperation&>(op).solved();
}

// The model asks for the vibration itself when a game ends; nothing else goes through here.
void systemSoundForModel(std::uint32_t soundId) {
    if (soundId == kSystemSoundID_Vibrate) vibrate();
}

} // namespace

// ---- Construction and teardown ----

PuzzleView::PuzzleView(const Rect& frame)
    : EAGLView(frame, GL_RGB565_OES, 0, kPreserveBackbuffer),
      solver_(makeSolveOperation, solveOperationFoundMove),
      session_(puzzle, {[this] { cancelSolveOperation(); }, [this] { noteGameState(); }}) {
    keyboard_.setHintAnswerHandler([this] {
        setCurrentContext();
        followKeyboard(keyboard_.takeHintAnswer(puzzle, keyboardGeometry()));
    });
}

std::unique_ptr<PuzzleView> PuzzleView::initWithFrame(const Rect& frame) {
    std::unique_ptr<PuzzleView> view(new PuzzleView(frame));
    if (!view->initialised()) return nullptr; // the surface logged why
    view->setCurrentContext();
    view->initView();
    view->fillBackground();
    view->loadTextures();
    view->loadSoundEffects();
    view->solver_.makeIdleQueue();
    setSystemSoundHandler(systemSoundForModel);
    view->swapBuffers();               // the background is the first frame
    view->setAutoresizesSurface(true); // the window can be resized
    return view;
}

PuzzleView::~PuzzleView() {
    cancelSolveOperation();
    stopAnimation();
    timeBar_.attach(nullptr);
    about_.close();
    setSystemSoundHandler(nullptr);
    if (arrayBuffer_ && context() && context()->isLive()) {
        setCurrentContext();
        glDeleteBuffers(1, &arrayBuffer_);
    }
}

void PuzzleView::initView() {
    setUpSceneState();
    arrayBuffer_ = makeSceneArrayBuffer();
    frames_.setArrayBuffer(arrayBuffer_);
    // The viewing transform lives on the projection stack; the modelview stays the identity
    // between passes, which picking relies on.
    const Size size = surfaceSize();
    setUpCamera(size.width, size.height);
    // The first board, seeded by the calendar clock; its number is that seed.
    startGame(static_cast<std::uint32_t>(puzzleTime()));
}

void PuzzleView::loadTextures(float scale) {
    setCurrentContext(); // the textures belong to the view's context
    if (textures_.loadFor(scale)) setNeedsDisplay();
}

void PuzzleView::setShowSymbols(bool on) {
    setCurrentContext();
    if (textures_.setSymbols(on)) setNeedsDisplay();
}

// ---- Frame timer and tick ----

void PuzzleView::startAnimation(float interval) {
    stopAnimation();
    setAnimationTimer(RunLoop::main().scheduleRepeatingTimer(static_cast<double>(interval),
                                                             [this] { drawView(); }));
}

void PuzzleView::stopAnimation() {
    if (!animationTimer_) return;
    animationTimer_->invalidate();
    animationTimer_.reset();
}

void PuzzleView::setAnimationTimer(std::shared_ptr<RunLoopTimer> timer) {
    if (animationTimer_ && animationTimer_ != timer) animationTimer_->invalidate();
    animationTimer_ = std::move(timer);
}

void PuzzleView::drawView() {
    rest_.beforeTick(puzzle, animationTimer_.get());
    if (session_.isPaused()) { // the clock stands still; nothing moves, sounds or is drawn
        rest_.sleepWhilePaused(animationTimer_.get());
        return;
    }
    frameAsked_ = false;
    setCurrentContext();
    followKeyboard(keyboard_.advanceFrame(puzzle, keyboardGeometry()));
    // Fires once per game: from then on the best score equals the score. A practice game's
    // score is no best score.
    if ((puzzle.flags & kPuzzleGameOver) && !session_.isPractice() && puzzle.score > highScore) {
        setHighScore(puzzle.score);
        highScoreSndRequest = 1;
        session_.noteNewBest();
        if (newHighScoreHandler_) newHighScoreHandler_(puzzle.score);
    }
    followGame();
    const bool draws = pictureMayHaveChanged() && !unseenFrames;
    if (draws) {
        // The background pass reads nothing of the model, so drawing it after the update gives
        // the same picture and lets a resting board skip it along with the rest.
        presentChanges();
    } else {
        ++puzzle.frame; // as the drawing would have counted it
    }
    playSounds();
    if (puzzle.flags & kPuzzleProgressChanged) {
        if (timeBar_.showProgress(puzzle.progress, puzzle.numGameSecs)) timeBarChanged_ = true;
        puzzle.flags &= ~kPuzzleProgressChanged;
    }
    presentTimeBarChange();
    if (solveRequest != 0 && opRunning == 0) launchSolveOperation();
    rest_.afterTick(puzzle, animationTimer_.get(), !draws && !frameAsked_);
}

PixelBox PuzzleView::drawBoard(bool everything) {
    return frames_.draw(&puzzle, keyboard_.cursor().cell(), everything);
}

bool PuzzleView::keyboardAction(KeyboardCursor::Key key) {
    if (session_.isPaused()) return false;
    setCurrentContext(); // the spots are found with the view's camera
    followKeyboard(keyboard_.press(key, puzzle, keyboardGeometry()));
    return true;
}

void PuzzleView::hideKeyboardCursor() {
    if (keyboard_.hide()) setNeedsDisplay();
}

KeyboardPlay::ViewGeometry PuzzleView::keyboardGeometry() const {
    return {contentScale(), bounds().size};
}

void PuzzleView::followKeyboard(const KeyboardPlay::ViewChange& change) {
    if (change.click) { // the same pick, model calls and sounds as a click there
        touchesBegan(*change.click, *change.click);
        touchesEnded(*change.click, *change.click);
    }
    if (change.pulse && turnPulseHandler_)
        turnPulseHandler_(change.pulse->direction, change.pulse->amount);
    if (change.noPairNotice && noPairNoticeHandler_) noPairNoticeHandler_(*change.noPairNotice);
    if (change.redraw) setNeedsDisplay();
}

bool PuzzleView::clearSelection() {
    if (session_.isPaused() || !::clearSelection(&puzzle)) return false;
    setNeedsDisplay();
    return true;
}

void PuzzleView::setFramesUnseen(bool on) {
    unseenFrames = on;
}

void PuzzleView::presentCurrentFrame() {
    setCurrentContext();
    drawBoard(true);
    --puzzle.frame; // the tick that skipped drawing this frame counted it already
    swapBuffers();
    rememberPresentedPicture();
}

void PuzzleView::drawFrame() {
    setCurrentContext();
    updatePuzzle(&puzzle);
    presentChanges();
}

void PuzzleView::presentChanges() {
    const PixelBox all = drawBoard(needsDisplay_);
    // Each box apart, which the window may show apart; nothing changed is still presented.
    Rect parts[DrawList::kMaxDamageBoxes];
    const int count = std::max(1, frames_.changedBoxCount());
    for (int i = 0; i < count; ++i) {
        const PixelBox& b = frames_.changedBoxCount() > 0 ? frames_.changedBoxes()[i] : all;
        parts[i] = {{static_cast<float>(b.x0), static_cast<float>(b.y0)},
                    {static_cast<float>(b.x1 - b.x0), static_cast<float>(b.y1 - b.y0)}};
    }
    swapBuffers(parts, count);
    rememberPresentedPicture();
}

// The bar is a widget over the scene: its change is composed and shown by itself, so that a
// timed game at rest costs the window the bar's pixels once a second and the scene nothing.
void PuzzleView::presentTimeBarChange() {
    if (!timeBarChanged_) return;
    timeBarChanged_ = false;
    const ProgressView* bar = timeBar_.bar();
    if (bar && !unseenFrames) windowPresentArea(bar->convertRectToWindow(bar->bounds()));
}

void PuzzleView::rememberPresentedPicture() {
    shown_.remember(puzzle);
    needsDisplay_ = false;
}

void PuzzleView::layoutSubviews() {
    const Size before = surfaceSize();
    EAGLView::layoutSubviews();
    setNeedsDisplay();
    const Size size = surfaceSize();
    if (size.width == before.width && size.height == before.height) return;
    // The new buffers leave the old binding in place, which went with the old buffers.
    setCurrentContext();
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer());
    setUpCamera(size.width, size.height);
    glScissor(0, 0, static_cast<GLsizei>(size.width), static_cast<GLsizei>(size.height));
    loadTextures(drawingScale()); // sharper images for a larger cube, if another set fits
}

float PuzzleView::drawingScale() const {
    return surfaceSize().height / 392.0f;
}

void PuzzleView::windowGeometryDidChange() {
    EAGLView::windowGeometryDidChange();
    setNeedsDisplay();
}

// ---- Touches ----

namespace {

// View points (origin top-left) to the projection's orientation (origin bottom-left).
Point flipped(Point p, const Rect& bounds) {
    return {p.x, bounds.size.height - p.y};
}

} // namespace

void PuzzleView::pickPixel(Point location, int* x, int* y) const {
    viewPointPickPixel(location, bounds().size, contentScale(), x, y);
}

void PuzzleView::touchesBegan(Point location, Point /*previousLocation*/) {
    if (session_.isPaused()) { // a click resumes, and does nothing else
        session_.resume();
        return;
    }
    firstTouch_ = 1;
    location_ = flipped(location, bounds());
    setNeedsDisplay();
    int x = 0;
    int y = 0;
    pickPixel(location, &x, &y);
    setCurrentContext(); // picking reads the camera from the view's context
    if (Block* block = pickBlock(x, y, &puzzle, eyePos)) {
        const auto before = std::make_unique<Puzzle>(puzzle);
        selectBlock(&puzzle, block);
        if (puzzle.score != before->score) session_.recordMove(*before); // a burst
    }
}

void PuzzleView::touchesMoved(Point location, Point previousLocation) {
    if (firstTouch_)
        firstTouch_ = 0;
    else
        location_ = flipped(location, bounds());
    previousLocation_ = flipped(previousLocation, bounds());
    setNeedsDisplay();
}

void PuzzleView::touchesEnded(Point /*location*/, Point previousLocation) {
    if (!firstTouch_) return;
    firstTouch_ = 0;
    previousLocation_ = flipped(previousLocation, bounds());
    setNeedsDisplay();
}

void PuzzleView::touchesCancelled(Point /*location*/, Point /*previousLocation*/) {}

void PuzzleView::touchesBegan(const Touch& touch) {
    hideKeyboardCursor(); // the mouse is in use
    touchesBegan(touch.locationInView(this), touch.previousLocationInView(this));
}
void PuzzleView::touchesMoved(const Touch& touch) {
    hideKeyboardCursor();
    touchesMoved(touch.locationInView(this), touch.previousLocationInView(this));
}
void PuzzleView::touchesEnded(const Touch& touch) {
    touchesEnded(touch.locationInView(this), touch.previousLocationInView(this));
}
void PuzzleView::touchesCancelled(const Touch& touch) {
    touchesCancelled(touch.locationInView(this), touch.previousLocationInView(this));
}

// ---- Commands ----

namespace {

// A turn of the cube, and whether the model took it (it ignores one while busy).
bool turned(int direction) {
    float before[3];
    std::memcpy(before, puzzle.dstRot, sizeof before);
    rotatePuzzle(&puzzle, direction);
    return std::memcmp(before, puzzle.dstRot, sizeof before) != 0;
}

} // namespace

void PuzzleView::rotateTo(int direction) {
    if (session_.isPaused()) return; // the cube is hidden; tilt must not turn it unseen
    // Tilt comes by a timer, not an event: the frame timer must wake for it.
    FrameRest::wake(animationTimer_.get());
    const auto before = std::make_unique<Puzzle>(puzzle);
    if (turned(direction)) session_.recordMove(*before);
}

void PuzzleView::refreshAction() {
    newGameWithNumber(static_cast<std::uint32_t>(puzzleTime()));
}

void PuzzleView::setProgressView(ProgressView* progressView) {
    timeBar_.attach(progressView);
    showProgressView();
}

void PuzzleView::showProgressView() {
    setNeedsDisplay(); // the bar lies over the view
    timeBar_.refill(60 * gameType);
}

void PuzzleView::infoAction() {
    about_.open(this, session_);
    setNeedsDisplay(); // the alert shows over the view
}

void PuzzleView::alertView(AlertView* /*alertView*/, int clickedButtonAtIndex) {
    setNeedsDisplay(); // the alert has gone
    about_.dismissed(clickedButtonAtIndex, this);
}

void PuzzleView::saveHighScore(unsigned score) {
    highScore = score;
    ::saveHighScore(UserDefaults::standardUserDefaults(), score);
}

void PuzzleView::setSolveOperationFactory(SolveOperationFactory factory) {
    solveOperationFactory = factory;
}

std::shared_ptr<SolveOperation> PuzzleView::solveOperation() const {
    return std::static_pointer_cast<SolveOperation>(solver_.watched());
}

void PuzzleView::setSolverAnswersBeforeNextFrame(bool on) {
    solverAnswersBeforeNextFrame = on;
    KeyboardPlay::setHintAnswersAtOnce(on);
}

void PuzzleView::startGame(std::uint32_t number) {
    keyboard_.cancelHintSearch(); // its answer would be for the board before
    session_.start(number);
    timeBar_.clearWarning();
}

void PuzzleView::newGameWithNumber(std::uint32_t number) {
    cancelSolveOperation();
    solveRequest = 0;
    opRunning = 0;
    quitRequest = 0;
    startGame(number);
    showProgressView();
}

void PuzzleView::noteGameState() {
    setNeedsDisplay();
    if (gameStateHandler_) gameStateHandler_();
}

void PuzzleView::followGame() {
    // A scripted run never races the solver.
    if (solverAnswersBeforeNextFrame) solver_.takeAnswerNow();
    session_.follow();
    showTimeWarning();
}

// The last ten seconds of a timed game: the time bar turns red and pulses.
void PuzzleView::showTimeWarning() {
    const bool warned = (puzzle.flags & kPuzzleTimeWarned) && !(puzzle.flags & kPuzzleGameOver);
    if (timeBar_.followWarning(warned, puzzle.frame)) {
        timeBarChanged_ = true;
        frameAsked_ = true; // the pulse goes on with the frames
    }
}
