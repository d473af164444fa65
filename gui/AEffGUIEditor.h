#pragma once

#include "vst2/AEffEditor.h"

#include <array>
#include <atomic>
#include <thread>

class CFrame;

// An editor drawn with the widget toolkit. A derived editor creates its frame
// in open (after calling this class's open) and shows parameter changes in
// setParameter.
//
// Threads: the host opens, idles and closes the editor on its GUI thread, but
// parameters change on any thread (automation, MIDI controllers on the audio
// thread). The plug-in reports every change through postParameter, which
// calls setParameter at once on the GUI thread and otherwise only records the
// value (lock-free, nothing allocated); the next idle hands the recorded
// changes to setParameter on the GUI thread. So controls, the frame and the
// window system are only ever touched by the GUI thread.
class AEffGUIEditor : public AEffEditor {
public:
    // Parameter indices that postParameter can record; others are dropped when
    // they arrive off the GUI thread.
    static constexpr int kMaxRecordedParameters = 256;

    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    // The frame's rectangle while there is a frame, else the editor's own,
    // in the pixels of the screen: scaled as the frame is, or will be.
    bool getRect(ERect** rect) override;
    bool open(void* parentWindow) override;
    // Deletes the frame, with every control it holds, and its window.
    void close() override;
    // Shows the recorded parameter changes and lets the frame redraw.
    void idle() override;

    // GUI thread only: show the parameter's new value on the controls.
    virtual void setParameter(int index, float value) { }
    // Any thread; see above.
    void postParameter(int index, float value) override;

    CFrame* getFrame() const { return frame; }

protected:
    ERect rect {};
    CFrame* frame = nullptr;

private:
    bool onGuiThread() const;
    void applyRecordedParameters();

    ERect scaledRect {};
    std::atomic<std::thread::id> guiThread {};
    std::atomic<bool> anyRecorded { false };
    std::array<std::atomic<bool>, kMaxRecordedParameters> recorded {};
    std::array<std::atomic<float>, kMaxRecordedParameters> recordedValue {};
};
