#include "gui/AEffGUIEditor.h"
#include "gui/Frame.h"

#include <gtest/gtest.h>

#include <thread>
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

struct Call {
    int index;
    float value;
    std::thread::id thread;
};

// An editor in the shape the plug-in's uses: the frame is made in open.
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
    void setParameter(int index, float value) override { calls.push_back({ index, value, std::this_thread::get_id() }); }
    std::vector<Call> calls;
};

} // namespace

TEST(EditorBridge, OpenAndCloseMakeAndDeleteTheFrameWithEveryView)
{
    {
        TestEditor editor;
        ERect* r = nullptr;
        ASSERT_TRUE(editor.getRect(&r));
        EXPECT_EQ(r->right, 20);
        editor.open(nullptr);
        ASSERT_TRUE(editor.getRect(&r));
        EXPECT_EQ(r->right, 856);
        EXPECT_EQ(r->bottom, 456);
        EXPECT_EQ(Counted::alive, 2);
        // A change still waiting at close is forgotten.
        std::thread([&] { editor.postParameter(4, 0.5f); }).join();
        editor.close();
        EXPECT_EQ(editor.getFrame(), nullptr);
        EXPECT_EQ(Counted::alive, 0);
        editor.open(nullptr);
        editor.idle();
        EXPECT_TRUE(editor.calls.empty());
    }
    EXPECT_EQ(Counted::alive, 0);
}

TEST(EditorBridge, ChangesOffTheGuiThreadWaitForIdleAndOnItShowAtOnce)
{
    TestEditor editor;
    editor.open(nullptr);
    std::thread([&] {
        editor.postParameter(5, 0.25f);
        editor.postParameter(9, 0.5f);
        editor.postParameter(5, 0.75f); // the newer value wins
        editor.postParameter(-1, 1.0f);
        editor.postParameter(AEffGUIEditor::kMaxRecordedParameters, 1.0f);
    }).join();
    EXPECT_TRUE(editor.calls.empty());
    editor.idle();
    ASSERT_EQ(editor.calls.size(), 2u);
    EXPECT_EQ(editor.calls[0].index, 5);
    EXPECT_EQ(editor.calls[0].value, 0.75f);
    EXPECT_EQ(editor.calls[1].index, 9);
    for (const Call& c : editor.calls)
        EXPECT_EQ(c.thread, std::this_thread::get_id());
    editor.idle();
    EXPECT_EQ(editor.calls.size(), 2u);

    // The platform timer reaches the editor's idle through the frame.
    std::thread([&] { editor.postParameter(3, 0.125f); }).join();
    editor.getFrame()->onTimer();
    ASSERT_EQ(editor.calls.size(), 3u);
    EXPECT_EQ(editor.calls[2].value, 0.125f);

    editor.postParameter(200, 0.5f);
    ASSERT_EQ(editor.calls.size(), 4u);
    EXPECT_EQ(editor.calls[3].index, 200);
}
