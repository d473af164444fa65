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

// Every other test meets the plug-in with its editor; this one without.
TEST(EditorAllocation, PlugInWhoseEditorCannotBeMadeIsIncompleteButStillWorks)
{
    editorAllocationFails = true;
    auto plug = std::make_unique<Zarvex2Plug>(host, &ZarvexPlugEditor::create);
    editorAllocationFails = false;
    EXPECT_FALSE(plug->isComplete());
    EXPECT_EQ(plug->getAeffect()->flags & effFlagsHasEditor, 0);
    ERect* rect = nullptr;
    EXPECT_EQ(plug->dispatcher(effEditGetRect, 0, 0, &rect, 0.0f), 0);
    plug->setParameter(kVibDepth, 0.5f);
    EXPECT_FLOAT_EQ(plug->getParameter(kVibDepth), 0.5f);
    // Given no factory, the plug-in is complete without an editor.
    Zarvex2Plug bare(host);
    EXPECT_TRUE(bare.isComplete());
    EXPECT_EQ(bare.getAeffect()->flags & effFlagsHasEditor, 0);
}
