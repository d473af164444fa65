#include "gui/AEffGUIEditor.h"
#include "gui/Frame.h"

#include <gtest/gtest.h>

#include <thread>
#include <tuple>
#include <vector>

namespace {

struct Counted : CView {
    static inline int alive = 0;
    explicit Counted(const CRect& r)
        : CView(r)
    {
        ++alive;
    }
    ~Counted() override { --alive; }
    void draw(CDrawContext&) override { }
};

// An editor in the shape the plug-in's uses: the frame is made in open, with
// one view shown and one taken off.
class TestEditor : public AEffGUIEditor {
public:
    TestEditor()
        : AEffGUIEditor(nullptr)
    {
        rect = { 0, 0, 10, 20 };
    }
    bool open(void* parent) override
    {
        AEffGUIEditor::open(parent);
        frame = new CFrame({ 0, 0, 856, 456 }, parent, this);
        frame->addView(new Counted({ 0, 0, 10, 10 }));
        Counted* hidden = new Counted({ 0, 0, 10, 10 });
        frame->addView(hidden);
        frame->removeView(hidden, false);
        return true;
    }
    void setParameter(int index, float value) override { calls.emplace_back(index, value, std::this_thread::get_id()); }
    std::vector<std::tuple<int, float, std::thread::id>> calls;
};

} // namespace

// Changes from other threads wait for idle (the newest value of each wins,
// indices out of range are dropped) and reach the editor on its own thread;
// on that thread they show at once. A change still waiting at close is
// forgotten, and close deletes every view.
TEST(EditorBridge, ChangesOffTheGuiThreadWaitForIdleAndOnItShowAtOnce)
{
    TestEditor editor;
    ERect* r = nullptr;
    ASSERT_TRUE(editor.getRect(&r));
    EXPECT_EQ(r->right, 20);
    editor.open(nullptr);
    ASSERT_TRUE(editor.getRect(&r));
    EXPECT_EQ(r->right, 856);
    const auto gui = std::this_thread::get_id();
    std::thread([&] {
        for (auto [index, value] : { std::pair { 5, 0.25f }, { 9, 0.5f }, { 5, 0.75f }, { -1, 1.0f },
                 { AEffGUIEditor::kMaxRecordedParameters, 1.0f } })
            editor.postParameter(index, value);
    }).join();
    EXPECT_TRUE(editor.calls.empty());
    editor.getFrame()->onTimer(); // the platform timer reaches idle through the frame
    editor.idle();
    using Calls = std::vector<std::tuple<int, float, std::thread::id>>;
    EXPECT_EQ(editor.calls, (Calls { { 5, 0.75f, gui }, { 9, 0.5f, gui } }));
    editor.postParameter(200, 0.5f);
    EXPECT_EQ(editor.calls.back(), std::tuple(200, 0.5f, gui));

    EXPECT_EQ(Counted::alive, 2);
    std::thread([&] { editor.postParameter(4, 0.5f); }).join();
    editor.close();
    EXPECT_EQ(editor.getFrame(), nullptr);
    EXPECT_EQ(Counted::alive, 0);
    editor.open(nullptr);
    editor.calls.clear();
    editor.idle();
    EXPECT_TRUE(editor.calls.empty());
}
