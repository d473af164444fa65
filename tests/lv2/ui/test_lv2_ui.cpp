// The editor as an LV2 UI, loaded from the bundle as a host loads it and
// embedded in a window of an X server (run under xvfb-run; skipped where no
// server answers): it draws, shows port values and writes the ports it turns.
#include "editor/Layout.h"
#include "lv2/ControlPorts.h"
#include "lv2/Lv2Uris.h"
#include "plugin/Parameters.h"
#include "tests/gui/X11Support.h"

#include <lv2/ui/ui.h>

#include <dlfcn.h>

namespace {

class Lv2Ui : public X11HostTest {
protected:
    void open()
    {
        LV2_Feature parentFeature { LV2_UI__parent, reinterpret_cast<void*>(parent) };
        LV2_Feature resizeFeature { LV2_UI__resize, &resize };
        const LV2_Feature* features[] = { &parentFeature, &resizeFeature, nullptr };
        ui = descriptor->instantiate(
            descriptor, ZARVEX_LV2_URI, ZARVEX_LV2_BUNDLE, recordWrite, this, &widget, features);
        ASSERT_NE(ui, nullptr);
        idle();
    }
    void idle()
    {
        idleInterface->idle(ui);
        XSync(display, False);
    }
    void setPort(int32_t index, float value)
    {
        descriptor->port_event(ui, static_cast<uint32_t>(ControlPorts::portOf(index)), sizeof value, 0, &value);
    }

    Window window() const { return static_cast<Window>(reinterpret_cast<uintptr_t>(widget)); }
    // The window's pixels in r once the editor has drawn them.
    std::vector<unsigned long> pixels(const CRect& r)
    {
        std::vector<unsigned long> shown;
        for (int attempt = 0; attempt < 20; ++attempt) {
            idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        XImage* shot = XGetImage(display, window(), r.left, r.top,
            unsigned(r.width()), unsigned(r.height()), AllPlanes, ZPixmap);
        for (int y = 0; shot && y < r.height(); ++y)
            for (int x = 0; x < r.width(); ++x)
                shown.push_back(XGetPixel(shot, x, y) & 0xffffff);
        if (shot)
            XDestroyImage(shot);
        return shown;
    }

    // The port writes, as (port, value), and the size asked for.
    static void recordWrite(LV2UI_Controller self, uint32_t port, uint32_t size, uint32_t format, const void* data)
    {
        EXPECT_TRUE(format == 0 && size == sizeof(float));
        static_cast<Lv2Ui*>(self)->writes.emplace_back(port, *static_cast<const float*>(data));
    }

    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    LV2UI_Resize resize { this, [](LV2UI_Feature_Handle self, int width, int height) {
        static_cast<Lv2Ui*>(self)->size = { width, height };
        return 0;
    } };
    LV2UI_Handle ui = nullptr;
    LV2UI_Widget widget = nullptr;
    std::vector<std::pair<uint32_t, float>> writes;
    std::pair<int, int> size;
};

TEST_F(Lv2Ui, DrawsInTheHostWindowShowsPortsWritesWhatItTurnsClosesWithoutLeftovers)
{
    void* library = dlopen(ZARVEX_LV2_BUNDLE "/ZarvexUi.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_STREQ(descriptor->URI, ZARVEX_LV2_UI_URI);
    EXPECT_EQ(entry(1), nullptr);
    idleInterface = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idleInterface, nullptr);
    open();
    EXPECT_EQ(children(), std::vector<Window> { window() });
    EXPECT_EQ(size, std::make_pair(layout::kFrameWidth, layout::kFrameHeight));

    // A port value shows on its control's display (the UI draws in the host's
    // window), and going back restores it.
    const auto& places = layout::kGlobalStrip.places;
    const layout::Place& depth
        = *std::find_if(places.begin(), places.end(), [](const layout::Place& p) { return p.param == kVibDepth; });
    const CRect depthDisplay = layout::valueDisplayRect(depth);
    const auto before = pixels(depthDisplay);
    setPort(kVibDepth, 50.0f);
    EXPECT_NE(pixels(depthDisplay), before);
    EXPECT_TRUE(writes.empty()) << "the host's own values came back as writes";

    // Turning the knob writes its port, in the port's unit, on from the port's value.
    const CPoint at = centre(layout::controlRect(depth));
    send(window(), ButtonPress, at);
    idle();
    send(window(), MotionNotify, { at.x, at.y - 30 }, Button1Mask);
    idle();
    send(window(), ButtonRelease, { at.x, at.y - 30 }, Button1Mask);
    idle();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].first, static_cast<uint32_t>(ControlPorts::portOf(kVibDepth)));
    EXPECT_NEAR(writes[0].second, 70.0f, 1e-4);
    setPort(kVibDepth, 0.0f);
    EXPECT_EQ(pixels(depthDisplay), before);

    // Closed and opened again and again, it leaves nothing behind.
    const auto close = [&] {
        descriptor->cleanup(ui);
        ui = nullptr;
        XSync(display, False);
    };
    close();
    const int files = openFiles();
    for (int i = 0; i < 20; ++i) {
        open();
        close();
    }
    EXPECT_TRUE(children().empty());
    EXPECT_EQ(openFiles(), files);
    dlclose(library);
}

} // namespace
