#include "gui/AEffGUIEditor.h"

#include "gui/Frame.h"
#include "gui/Platform.h"

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect)
    : AEffEditor(effect)
{
}

AEffGUIEditor::~AEffGUIEditor()
{
    delete frame;
}

bool AEffGUIEditor::getRect(ERect** r)
{
    if (!r)
        return false;
    // The window's size in the screen's pixels: the frame's, or the one it
    // will have at the scale of the screen.
    const int scale = frame ? frame->getScale() : displayScale(nullptr);
    const CRect size = frame ? frame->getViewSize() : CRect { rect.left, rect.top, rect.right, rect.bottom };
    scaledRect = { int16_t(size.top * scale), int16_t(size.left * scale), int16_t(size.bottom * scale),
        int16_t(size.right * scale) };
    *r = &scaledRect;
    return true;
}

bool AEffGUIEditor::open(void* parentWindow)
{
    guiThread.store(std::this_thread::get_id());
    return AEffEditor::open(parentWindow);
}

void AEffGUIEditor::close()
{
    AEffEditor::close();
    // A drag cut short by the close still ends its gesture.
    if (frame)
        frame->cancelCapture();
    delete frame;
    frame = nullptr;
    for (auto& flag : recorded)
        flag.store(false, std::memory_order_relaxed);
    anyRecorded.store(false);
}

void AEffGUIEditor::idle()
{
    if (!frame)
        return;
    applyRecordedParameters();
    frame->idle();
}

bool AEffGUIEditor::onGuiThread() const
{
    return guiThread.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

void AEffGUIEditor::postParameter(int index, float value)
{
    if (onGuiThread()) {
        setParameter(index, value);
        return;
    }
    if (index < 0 || index >= kMaxRecordedParameters)
        return;
    // The value goes first: whoever sees the flag then sees this value or a newer one.
    recordedValue[size_t(index)].store(value, std::memory_order_relaxed);
    recorded[size_t(index)].store(true, std::memory_order_release);
    anyRecorded.store(true, std::memory_order_release);
}

void AEffGUIEditor::applyRecordedParameters()
{
    if (!anyRecorded.exchange(false, std::memory_order_acquire))
        return;
    // A plain load first: most flags are clear, and reading costs less than exchanging.
    for (int i = 0; i < kMaxRecordedParameters; ++i) {
        std::atomic<bool>& flag = recorded[size_t(i)];
        if (flag.load(std::memory_order_relaxed) && flag.exchange(false, std::memory_order_acquire))
            setParameter(i, recordedValue[size_t(i)].load(std::memory_order_relaxed));
    }
}
