#include "editor/ZarvexPlugEditor.h"
#include "plugin/Programs.h"
#include "plugin/Zarvex2Plug.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <new>

namespace {

// The editor is told from the program bank by its size.
static_assert(sizeof(ZarvexPlugEditor) != sizeof(ProgramBank));

// While set, the allocation of an editor fails as it would when memory runs out.
std::atomic<bool> editorAllocationFails { false };

intptr_t VSTCALLBACK host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

} // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (editorAllocationFails && size == sizeof(ZarvexPlugEditor))
        return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

TEST(EditorAllocation, PlugInWithoutEditorIsIncomplete)
{
    editorAllocationFails = true;
    auto plug = std::make_unique<Zarvex2Plug>(host);
    editorAllocationFails = false;
    EXPECT_FALSE(plug->isComplete());
    EXPECT_EQ(plug->getEditor(), nullptr);
    EXPECT_EQ(plug->getAeffect()->flags & effFlagsHasEditor, 0);
    // Changes still arrive safely without an editor to tell.
    plug->setParameter(kVibDepth, 0.5f);
    EXPECT_FLOAT_EQ(plug->getParameter(kVibDepth), 0.5f);
}

TEST(EditorAllocation, PlugInRegistersItsEditor)
{
    auto plug = std::make_unique<Zarvex2Plug>(host);
    EXPECT_TRUE(plug->isComplete());
    ASSERT_NE(dynamic_cast<ZarvexPlugEditor*>(plug->getEditor()), nullptr);
    EXPECT_NE(plug->getAeffect()->flags & effFlagsHasEditor, 0);
    ERect* rect = nullptr;
    ASSERT_EQ(plug->dispatcher(effEditGetRect, 0, 0, &rect, 0.0f), 1);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 456);
    EXPECT_EQ(rect->right, 856);
}
