// The editor view: the effect's editor as a child of the host's window. On Linux the parent is an
// X11 window and the view runs on the host's run loop (a timer and a handler for the X connection;
// no thread of its own); on Windows the parent is an HWND and a timer of the editor's window drives
// it. The size is the editor's, fixed; a content scale is taken and the editor keeps scale 1.
#include "vst3/vst3_effect.h"

#include <cmath>
#include <cstring>
#include <new>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace sarvo_vst3 {

namespace {

constexpr uint64_t kIdleMs = 25;  // the editor repaints its signal displays at most every 40 ms

#if defined(_WIN32)
constexpr const char* kParentType = kPlatformTypeHWND;
#else
constexpr const char* kParentType = kPlatformTypeX11EmbedWindowID;
#endif

}  // namespace

class EditorView final : public IPlugView,
                         public IPlugViewContentScaleSupport,
                         public IEventHandler,
                         public ITimerHandler {
public:
    explicit EditorView(Effect& effect) : effect_(effect) { effect_.addRef(); }

    tresult SARVO_VST3_CALL queryInterface(const char* iid, void** object) override
    {
        if (!object) return kInvalidArgument;
        *object = nullptr;
        if (sameUid(iid, FUnknown::iid) || sameUid(iid, IPlugView::iid))
            *object = static_cast<IPlugView*>(this);
        else if (sameUid(iid, IPlugViewContentScaleSupport::iid))
            *object = static_cast<IPlugViewContentScaleSupport*>(this);
        else if (sameUid(iid, IEventHandler::iid))
            *object = static_cast<IEventHandler*>(this);
        else if (sameUid(iid, ITimerHandler::iid))
            *object = static_cast<ITimerHandler*>(this);
        else
            return kNoInterface;
        addRef();
        return kResultOk;
    }
    uint32_t SARVO_VST3_CALL addRef() override { return references_.fetch_add(1) + 1; }
    uint32_t SARVO_VST3_CALL release() override
    {
        const uint32_t left = references_.fetch_sub(1) - 1;
        if (left == 0) delete this;
        return left;
    }

    tresult SARVO_VST3_CALL isPlatformTypeSupported(FIDString type) override
    {
        return type && std::strcmp(type, kParentType) == 0 ? kResultTrue : kResultFalse;
    }

    tresult SARVO_VST3_CALL attached(void* parent, FIDString type) override
    {
        if (!parent || isPlatformTypeSupported(type) != kResultTrue) return kResultFalse;
        if (attached_) removed();
#if !defined(_WIN32)
        // The host's run loop drives the editor; without one it could not.
        void* loop = nullptr;
        if (!frame_ || frame_->queryInterface(reinterpret_cast<const char*>(IRunLoop::iid.bytes), &loop) != kResultOk ||
            !loop)
            return kResultFalse;
        runLoop_ = static_cast<IRunLoop*>(loop);
#endif
        sarvo::Plugin& plugin = effect_.plugin();
        if (!plugin.openEditor(parent)) {
            releaseRunLoop();
            return kResultFalse;
        }
        effect_.setEditorOwner(this);
        attached_ = true;
#if defined(_WIN32)
        timerWindow_ = static_cast<HWND>(plugin.editorWindow());
        if (timerWindow_) SetTimer(timerWindow_, reinterpret_cast<UINT_PTR>(this), kIdleMs, &EditorView::onWindowTimer);
#else
        timerRegistered_ = runLoop_->registerTimer(this, kIdleMs) == kResultOk;
        eventFd_ = plugin.editorEventFd();
        eventRegistered_ = eventFd_ >= 0 && runLoop_->registerEventHandler(this, eventFd_) == kResultOk;
#endif
        plugin.editorIdle();
        return kResultOk;
    }

    tresult SARVO_VST3_CALL removed() override
    {
        if (!attached_) return kResultFalse;
        attached_ = false;
#if defined(_WIN32)
        if (timerWindow_) KillTimer(timerWindow_, reinterpret_cast<UINT_PTR>(this));
        timerWindow_ = nullptr;
#else
        if (runLoop_) {
            if (timerRegistered_) runLoop_->unregisterTimer(this);
            if (eventRegistered_) runLoop_->unregisterEventHandler(this);
        }
        timerRegistered_ = eventRegistered_ = false;
        releaseRunLoop();
#endif
        // Another view may have taken the editor over since; then it is that view's to close.
        if (effect_.editorOwner() == this) {
            effect_.plugin().closeEditor();
            effect_.setEditorOwner(nullptr);
        }
        return kResultOk;
    }

    tresult SARVO_VST3_CALL onWheel(float) override { return kResultFalse; }
    tresult SARVO_VST3_CALL onKeyDown(char16, int16_t, int16_t) override { return kResultFalse; }
    tresult SARVO_VST3_CALL onKeyUp(char16, int16_t, int16_t) override { return kResultFalse; }

    tresult SARVO_VST3_CALL getSize(ViewRect* size) override
    {
        if (!size) return kInvalidArgument;
        uint32_t width = 0, height = 0;
        if (!effect_.plugin().editorSize(width, height)) return kResultFalse;
        *size = ViewRect{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
        return kResultOk;
    }

    tresult SARVO_VST3_CALL onSize(ViewRect* size) override { return size ? kResultOk : kInvalidArgument; }
    tresult SARVO_VST3_CALL onFocus(TBool) override { return kResultOk; }

    tresult SARVO_VST3_CALL setFrame(IPlugFrame* frame) override
    {
        if (frame) frame->addRef();
        if (frame_) frame_->release();
        frame_ = frame;
        return kResultOk;
    }

    tresult SARVO_VST3_CALL canResize() override { return kResultFalse; }

    tresult SARVO_VST3_CALL checkSizeConstraint(ViewRect* rect) override
    {
        if (!rect) return kInvalidArgument;
        ViewRect size{};
        if (getSize(&size) != kResultOk) return kResultFalse;
        rect->right = rect->left + size.right;
        rect->bottom = rect->top + size.bottom;
        return kResultOk;
    }

    // The editor draws at the host's scale itself (held to 1..3); an attached view takes its new size
    // at once and asks the frame to follow.
    tresult SARVO_VST3_CALL setContentScaleFactor(float factor) override
    {
        if (!std::isfinite(factor) || factor <= 0.0f) return kResultFalse;
        const double scale = factor < 1.0f ? 1.0 : (factor > 3.0f ? 3.0 : static_cast<double>(factor));
        if (!effect_.plugin().setEditorScale(scale)) return kResultFalse;
        ViewRect size{};
        if (attached_ && frame_ && getSize(&size) == kResultOk) frame_->resizeView(this, &size);
        return kResultOk;
    }

    void SARVO_VST3_CALL onFDIsSet(FileDescriptor) override { idle(); }
    void SARVO_VST3_CALL onTimer() override { idle(); }

private:
    ~EditorView()
    {
        removed();
        setFrame(nullptr);
        effect_.release();
    }

    void idle()
    {
        if (attached_ && effect_.editorOwner() == this) effect_.plugin().editorIdle();
    }

    void releaseRunLoop()
    {
        if (runLoop_) runLoop_->release();
        runLoop_ = nullptr;
    }

#if defined(_WIN32)
    static void CALLBACK onWindowTimer(HWND, UINT, UINT_PTR id, DWORD) { reinterpret_cast<EditorView*>(id)->idle(); }
    HWND timerWindow_ = nullptr;
#endif

    std::atomic<uint32_t> references_{1};
    Effect& effect_;
    IPlugFrame* frame_ = nullptr;
    IRunLoop* runLoop_ = nullptr;
    int eventFd_ = -1;
    bool attached_ = false;
    bool timerRegistered_ = false;
    bool eventRegistered_ = false;
};

IPlugView* makeEditorView(Effect& effect)
{
    if (!effect.plugin().hasEditor()) return nullptr;
    return new (std::nothrow) EditorView(effect);
}

}  // namespace sarvo_vst3
