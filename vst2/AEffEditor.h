#pragma once

#include "vst2/aeffectx.h"

class AudioEffect;

// The editor side of the VST 2 interface: the dispatcher's editor opcodes end
// here. A toolkit-backed editor derives from it.
class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect)
        : effect(effect)
    {
    }
    virtual ~AEffEditor() = default;

    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual bool getRect(ERect** rect)
    {
        *rect = nullptr;
        return false;
    }
    virtual bool open(void* parentWindow)
    {
        systemWindow = parentWindow;
        opened = true;
        return true;
    }
    virtual void close()
    {
        systemWindow = nullptr;
        opened = false;
    }
    virtual void idle() { }
    virtual bool isOpen() const { return opened; }
    // A parameter changed, on whatever thread changed it; the editor shows it
    // when it can.
    virtual void postParameter(int index, float value) { }

    AudioEffect* getEffect() const { return effect; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
    bool opened = false;
};
