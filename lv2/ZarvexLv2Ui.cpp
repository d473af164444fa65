// The editor as an LV2 UI. The editor works on a plug-in object: here it is
// a model of the plug-in that renders nothing. The host's port values are set
// on the model, and the changes the editor makes go to the host as port
// writes, so the UI reaches the running plug-in only through its ports.
#include "editor/ZarvexPlugEditor.h"
#include "gui/AEffGUIEditor.h"
#include "gui/Frame.h"
#include "gui/Platform.h"
#include "lv2/ControlPorts.h"
#include "lv2/Lv2Uris.h"
#include "plugin/Zarvex2Plug.h"

#include <lv2/ui/ui.h>

#include <cstring>
#include <memory>
#include <new>

namespace {

const void* feature(const LV2_Feature* const* features, const char* uri)
{
    for (; features && *features; ++features)
        if (std::strcmp((*features)->URI, uri) == 0)
            return (*features)->data;
    return nullptr;
}

class ZarvexLv2Ui {
public:
    ZarvexLv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller)
        : write(write)
        , controller(controller)
    {
    }
    ZarvexLv2Ui(const ZarvexLv2Ui&) = delete;
    ZarvexLv2Ui& operator=(const ZarvexLv2Ui&) = delete;

    // Opens the editor in the parent window; its window is the widget.
    bool open(void* parent, const LV2UI_Resize* resize, LV2UI_Widget* widget)
    {
        model.reset(new (std::nothrow) Zarvex2Plug(answerEditor, &ZarvexPlugEditor::create));
        if (!model || !model->isComplete())
            return false;
        model->getAeffect()->user = this;
        if (!editor()->open(parent) || !editor()->getFrame() || !editor()->getFrame()->platformWindow())
            return false;
        CFrame& frame = *editor()->getFrame();
        *widget = frame.platformWindow()->nativeHandle();
        if (resize)
            resize->ui_resize(resize->handle, frame.getViewSize().width(), frame.getViewSize().height());
        return true;
    }

    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
    {
        const int32_t index = ControlPorts::parameterOf(port);
        if (index < 0 || format != 0 || size != sizeof(float))
            return;
        float value;
        std::memcpy(&value, buffer, sizeof value);
        model->setParameter(index, ControlPorts::normalisedValue(index, value));
    }

    void idle() { editor()->idle(); }

private:
    AEffGUIEditor* editor() const { return model ? static_cast<AEffGUIEditor*>(model->getEditor()) : nullptr; }

    // The model's host: what the editor automates is written to the port.
    static intptr_t VSTCALLBACK answerEditor(
        AEffect* effect, int32_t opcode, int32_t index, intptr_t, void*, float value)
    {
        if (opcode == audioMasterVersion)
            return 2400;
        auto* self = effect ? static_cast<ZarvexLv2Ui*>(effect->user) : nullptr;
        const int32_t port = ControlPorts::portOf(index);
        if (opcode == audioMasterAutomate && self && port >= 0) {
            const float portValue = ControlPorts::portValue(index, value);
            self->write(self->controller, static_cast<uint32_t>(port), sizeof portValue, 0, &portValue);
        }
        return 0;
    }

    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    std::unique_ptr<Zarvex2Plug> model;
};

ZarvexLv2Ui* self(LV2UI_Handle handle) { return static_cast<ZarvexLv2Ui*>(handle); }

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function write,
    LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
    if (!parent)
        return nullptr;
    const auto* resize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize));
    auto* ui = new (std::nothrow) ZarvexLv2Ui(write, controller);
    if (ui && !ui->open(parent, resize, widget)) {
        delete ui;
        return nullptr;
    }
    return ui;
}

void cleanup(LV2UI_Handle handle) { delete self(handle); }

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    self(handle)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle)
{
    self(handle)->idle();
    return 0;
}

const void* extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface { idle };
    return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idleInterface : nullptr;
}

const LV2UI_Descriptor kDescriptor { ZARVEX_LV2_UI_URI, instantiate, cleanup, portEvent, extensionData };

} // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
