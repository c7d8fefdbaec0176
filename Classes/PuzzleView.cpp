// The game view: set-up, the frame tick, touches, commands, the solver hand-off, the best score and
// the About alert, on top of the GL surface view. Platform headers only; no SDL.
#include "Classes/PuzzleView.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <numbers>
#include <utility>

#include "desktop/record/Settings.h"
#include "Classes/SolveOperation.h"
#include "math/Camera.h"
#include "model/Puzzle.h"
#include "platform/base/OperationQueue.h"
#include "platform/base/RunLoop.h"
#include "platform/device/Clipboard.h"
#include "platform/device/URLOpener.h"
#include "platform/gl/GLExtensions.h"
#include "platform/media/Resources.h"
#include "platform/media/SystemSound.h"
#include "platform/store/UserDefaults.h"
#include "platform/ui/ProgressView.h"
#include "render/BlockPicking.h"
#include "render/SceneDrawing.h"
#include "render/Textures.h"

#ifndef SPHERON_CONTACT_EMAIL
#define SPHERON_CONTACT_EMAIL "spheron@example.org"
#endif

namespace {

constexpr bool kPreserveBackbuffer = true;

const char* const kAboutMessage =
    "Written by Tolvane\r\nComments, suggestions? Got an iPhone project you need help with?";
const char* const kAboutCancel = "Go Back!";
const char* const kAboutEmail = "Email";
constexpr std::int32_t kEmailButtonIndex = 1;

PuzzleView::SolveOperationFactory solveOperationFactory = nullptr;
// Scripted runs: frames are updated but drawn only when a picture is asked for.
bool unseenFrames = false;

std::shared_ptr<SolveOperation> makeSolveOperation(const Puzzle* p) {
    if (solveOperationFactory) return solveOperationFactory(p);
    return SolveOperation::initWithPuzzleData(p);
}

// The model asks for the vibration itself when a game ends; nothing else goes through here.
void systemSoundForModel(std::uint32_t soundId) {
    if (soundId == kSystemSoundID_Vibrate) vibrate();
}

// Everything of the board record after `frame`, which the drawing bumps on every frame.
static_assert(offsetof(Puzzle, frame) == 0 && offsetof(Puzzle, counter) == sizeof(std::uint32_t));
constexpr std::size_t kShownOffset = offsetof(Puzzle, counter);
constexpr std::size_t kShownSize = sizeof(Puzzle) - kShownOffset;

bool sameShownBoard(const Puzzle& a, const Puzzle& b) {
    return std::memcmp(reinterpret_cast<const char*>(&a) + kShownOffset,
                       reinterpret_cast<const char*>(&b) + kShownOffset, kShownSize) == 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction and teardown

PuzzleView::PuzzleView(const Rect& frame)
    : EAGLView(frame, GL_RGB565_OES, 0, kPreserveBackbuffer),
      session_(puzzle, {[this] { cancelSolveOperation(); }, [this] { noteGameState(); }}),
      keyboard_({[this] { setCurrentContext(); }, [this] { return contentScale(); },
                 [this] { return bounds().size; },
                 [this](Point at, int* x, int* y) { pickPixel(at, x, y); },
                 [this](Point at) {
                     touchesBegan(at, at);
                     touchesEnded(at, at);
                 },
                 [this] { setNeedsDisplay(); }}) {}

std::unique_ptr<PuzzleView> PuzzleView::initWithFrame(const Rect& frame) {
    std::unique_ptr<PuzzleView> view(new PuzzleView(frame));
    if (!view->initialised()) return nullptr; // the surface logged why
    view->setCurrentContext();
    view->initView();
    view->fillBackground();
    view->loadTextures();
    view->loadSoundEffects();
    view->operationQueue_ = std::make_unique<OperationQueue>();
    view->solveOperation_.reset();
    setSystemSoundHandler(systemSoundForModel);
    view->swapBuffers(); // the background is the first frame
    view->setAutoresizesSurface(true); // the window can be resized
    return view;
}

PuzzleView::~PuzzleView() {
    if (operationQueue_) {
        cancelSolveOperation();
        operationQueue_.reset();
    }
    stopAnimation();
    _progressView = nullptr;
    alert_.reset();
    lifetime_.reset(); // completions still queued on the main loop find the view gone
    setSystemSoundHandler(nullptr);
}

void PuzzleView::initView() {
    // Nothing is depth-tested: the board is drawn far to near.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DITHER);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glShadeModel(GL_FLAT);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    // The viewing transform lives on the projection stack; the modelview stays the identity
    // between passes, which picking relies on.
    const Size size = surfaceSize();
    setUpCamera(size.width, size.height);
    // The first board, seeded by the calendar clock; its number is that seed.
    startGame(static_cast<std::uint32_t>(puzzleTime()));
}

void PuzzleView::fillBackground() {
    ::fillBackground();
}
void PuzzleView::drawBackground() {
    ::drawBackground();
}
void PuzzleView::loadTextures() {
    loadTextures(drawingScale());
}

void PuzzleView::loadTextures(float scale) {
    // A window resized within one image scale keeps its textures.
    if (textureScale_ > 0.0f && imageScaleFor(scale) == imageScaleFor(textureScale_)) return;
    reloadTextures(scale);
}

void PuzzleView::reloadTextures(float scale) {
    setCurrentContext(); // the textures belong to the view's context
    if (textureScale_ > 0.0f) ::deleteTextures();
    ::loadTextures(scale);
    textureScale_ = scale;
    setNeedsDisplay();
}

void PuzzleView::setShowSymbols(bool on) {
    if (on == bubbleSymbolsShown()) return;
    setBubbleSymbols(on);
    if (textureScale_ > 0.0f) reloadTextures(textureScale_);
}

GLuint PuzzleView::loadTextureFromResource(const std::string& name, int startLevel, int stopLevel) {
    return ::loadTextureFromResource(name, startLevel, stopLevel);
}

void PuzzleView::loadSoundEffects() {
    ::loadSoundEffects(sounds_);
}
void PuzzleView::playSounds() {
    ::playSounds(sounds_);
}

// ---------------------------------------------------------------------------------------------
// Frame timer and tick

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
    keyboard_.advanceFrame(puzzle);
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
        if (_progressView) _progressView->setProgress(puzzle.progress);
        puzzle.flags &= ~kPuzzleProgressChanged;
    }
    if (solveRequest != 0 && opRunning == 0) launchSolveOperation();
    rest_.afterTick(puzzle, animationTimer_.get(), !draws && !frameAsked_);
}

PixelBox PuzzleView::drawBoard(bool everything) {
    return frames_.draw(&puzzle, keyboard_.cursor().cell(), everything);
}

bool PuzzleView::keyboardAction(KeyboardCursor::Key key) {
    if (session_.isPaused()) return false;
    keyboard_.press(key, puzzle);
    return true;
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
    const PixelBox changed = drawBoard(needsDisplay_);
    swapBuffers({{static_cast<float>(changed.x0), static_cast<float>(changed.y0)},
                 {static_cast<float>(changed.x1 - changed.x0),
                  static_cast<float>(changed.y1 - changed.y0)}});
    rememberPresentedPicture();
}

PuzzleView::ShownSettings PuzzleView::currentSettings() {
    return {sfxState, hintState, gameType, highScore};
}

bool PuzzleView::pictureMayHaveChanged() const {
    return needsDisplay_ || !(presentedSettings_ == currentSettings()) ||
           !sameShownBoard(presented_, puzzle);
}

void PuzzleView::rememberPresentedPicture() {
    std::memcpy(&presented_, &puzzle, sizeof puzzle);
    presentedSettings_ = currentSettings();
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

// ---------------------------------------------------------------------------------------------
// Touches

namespace {

// View points (origin top-left) to the projection's orientation (origin bottom-left).
Point flipped(Point p, const Rect& bounds) {
    return {p.x, bounds.size.height - p.y};
}

} // namespace

void PuzzleView::pickPixel(Point location, int* x, int* y) const {
    // Picking works in viewport pixels, truncated toward zero.
    const Point p = flipped(location, bounds());
    const float scale = contentScale();
    *x = static_cast<int>(p.x * scale);
    *y = static_cast<int>(p.y * scale);
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

// ---------------------------------------------------------------------------------------------
// Commands

namespace {

// A turn of the cube, and whether the model took it (it ignores one while busy).
bool turned(int direction) {
    float before[3];
    std::memcpy(before, puzzle.dstRot, sizeof before);
    rotatePuzzle(&puzzle, direction);
    return std::memcmp(before, puzzle.dstRot, sizeof before) != 0;
}

} // namespace

void PuzzleView::rotateLeft() {
    rotateTo(kDirLeft);
}
void PuzzleView::rotateRight() {
    rotateTo(kDirRight);
}
void PuzzleView::rotateUp() {
    rotateTo(kDirUp);
}
void PuzzleView::rotateDown() {
    rotateTo(kDirDown);
}

void PuzzleView::rotateTo(int direction) {
    if (session_.isPaused()) return; // the cube is hidden; tilt must not turn it unseen
    // Tilt comes by a timer, not an event: the frame timer must wake for it.
    FrameRest::wake(animationTimer_.get());
    const auto before = std::make_unique<Puzzle>(puzzle);
    if (turned(direction)) session_.recordMove(*before);
}

void PuzzleView::refreshAction() {
    cancelSolveOperation();
    solveRequest = 0;
    opRunning = 0;
    quitRequest = 0;
    startGame(static_cast<std::uint32_t>(puzzleTime()));
    showProgressView();
}

void PuzzleView::setProgressView(ProgressView* progressView) {
    _progressView = progressView;
    showProgressView();
}

void PuzzleView::showProgressView() {
    setNeedsDisplay(); // the bar lies over the view
    if (!_progressView) return;
    _progressView->setProgress(1.0f);
    _progressView->setHidden(gameType == 0);
}

std::string PuzzleView::contactURL() {
    return std::string("mailto:") + SPHERON_CONTACT_EMAIL + "?subject=spheron:comment";
}

void PuzzleView::infoAction() {
    alert_ = AlertView::initWithTitle(std::string("Spheron ") + SPHERON_VERSION, kAboutMessage, this,
                                      kAboutCancel, {kAboutEmail});
    if (alert_) alert_->show();
    setNeedsDisplay(); // the alert shows over the view
}

void PuzzleView::alertView(AlertView* /*alertView*/, int clickedButtonAtIndex) {
    setNeedsDisplay(); // the alert has gone
    if (clickedButtonAtIndex != kEmailButtonIndex || openURL(contactURL())) return;
    // No mail program took the link: the address goes where the player can paste it.
    const std::string address = SPHERON_CONTACT_EMAIL;
    const std::string message = copyTextToClipboard(address)
                                    ? "Address copied to the clipboard: " + address
                                    : "No mail program took the link. Write to: " + address;
    alert_ = AlertView::initWithTitle("Email", message, this, "OK", {}); // replaces the About
    alert_->show();
}

// ---------------------------------------------------------------------------------------------
// Settings and best score

void PuzzleView::setSfxState(unsigned value) {
    sfxState = static_cast<int>(value);
}
void PuzzleView::setHintState(unsigned value) {
    hintState = static_cast<int>(value);
}
void PuzzleView::setGameType(unsigned value) {
    gameType = static_cast<int>(value);
}
void PuzzleView::setHighScore(unsigned score) {
    highScore = score;
}
unsigned PuzzleView::getHighScore() const {
    return highScore;
}
void PuzzleView::saveHighScore(unsigned score) {
    highScore = score;
    ::saveHighScore(UserDefaults::standardUserDefaults(), score);
}

// ---------------------------------------------------------------------------------------------
// Solver

void PuzzleView::setSolveOperationFactory(SolveOperationFactory factory) {
    solveOperationFactory = factory;
}

void PuzzleView::launchSolveOperation() {
    if (solveOperation_) {
        // A run still watched while the flags say none is running: let it go unheard.
        solveOperation_.reset();
        if (operationQueue_) operationQueue_->cancelAllOperations();
    }
    std::shared_ptr<SolveOperation> op = makeSolveOperation(&puzzle);
    if (!op) return; // out of memory: the request stays and the next tick tries again
    solveOperation_ = op;
    // The queue's thread only passes the notice on; the main loop acts on it, so the solver's
    // flags and the view's fields are written on the main thread alone.
    std::weak_ptr<SolveOperation> weakOp = op;
    std::weak_ptr<int> alive = lifetime_;
    op->setCompletionBlock([this, weakOp, alive] {
        RunLoop::main().post([this, weakOp, alive] {
            if (alive.expired()) return;
            solveOperationDidFinish(weakOp.lock());
        });
    });
    // Replacing a queue whose run was cancelled waits for that run to end.
    operationQueue_ = std::make_unique<OperationQueue>();
    operationQueue_->addOperation(op);
    opRunning = 1;
    solveRequest = 0;
}

void PuzzleView::solveOperationDidFinish(const std::shared_ptr<SolveOperation>& op) {
    if (!op || op != solveOperation_) return; // not the run being watched
    solveOperation_.reset();
    if (!op->solved()) {
        // No move is left: the next frame update ends the game.
        quitRequest = 1;
        solveRequest = 0;
    }
    operationQueue_.reset(); // its worker has nothing left but to return
    opRunning = 0;
}

void PuzzleView::cancelSolveOperation() {
    solveOperation_.reset();
    if (!operationQueue_) return;
    operationQueue_->cancelAllOperations();
    operationQueue_->waitUntilAllOperationsAreFinished();
}

// ---- The desktop's game ----

namespace {

bool solverAnswersBeforeNextFrame = false;

// The warning's red, and how it pulses: once a second between full and lighter.
constexpr Color kWarningRed{0.86f, 0.08f, 0.06f, 1.0f};
constexpr Color kWarningLight{1.0f, 0.55f, 0.50f, 1.0f};
constexpr float kFramesPerSecond = 50.0f;

} // namespace

void PuzzleView::setSolverAnswersBeforeNextFrame(bool on) {
    solverAnswersBeforeNextFrame = on;
}

void PuzzleView::startGame(std::uint32_t number) {
    session_.start(number);
    if (_progressView) _progressView->setProgressTintColor(std::nullopt);
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
    if (solverAnswersBeforeNextFrame && solveOperation_ && operationQueue_) {
        // The answer as the next frame would see it: a scripted run never races the solver.
        operationQueue_->waitUntilAllOperationsAreFinished();
        const std::shared_ptr<SolveOperation> run = solveOperation_; // the call forgets it
        solveOperationDidFinish(run);
    }
    session_.follow();
    showTimeWarning();
}

// The last ten seconds of a timed game: the time bar turns red and pulses.
void PuzzleView::showTimeWarning() {
    if (!_progressView) return;
    const bool warning = (puzzle.flags & kPuzzleTimeWarned) && !(puzzle.flags & kPuzzleGameOver);
    if (!warning) {
        if (_progressView->progressTintColor()) {
            _progressView->setProgressTintColor(std::nullopt);
            setNeedsDisplay();
        }
        return;
    }
    const float phase = static_cast<float>(puzzle.frame) / kFramesPerSecond;
    const float t = 0.5f - 0.5f * std::cos(phase * 2.0f * std::numbers::pi_v<float>);
    _progressView->setProgressTintColor(mixColor(kWarningRed, kWarningLight, t));
    setNeedsDisplay(); // the bar lies over the view and is composed with its frames
}
