#include "plugin/Programs.h"

#include "plugin/Parameters.h"

#include <cstring>
#include <utility>

namespace {

// Where each parameter lives in a program record: runs of consecutive
// indices stored in consecutive slots. Index 12 has no slot; slot 115 is read
// for the inert index 110 and never written; slot 157 is unused.
struct SlotRun {
    int32_t firstSlot;
    int32_t firstIndex;
    int32_t count;
};
constexpr SlotRun kSlotRuns[] = {
    { 0, kVolume, 12 },
    { 12, kO1Wave, 12 },
    { 24, kO1APF, 1 },
    { 25, kO1PW, 6 },
    { 31, kO1DetRnd, 2 },
    { 33, kAMbyO2Start, 34 },
    { 67, kO2APF, 1 },
    { 68, kO2PW, 15 },
    { 83, kO3APF, 1 },
    { 84, kO3PW, 27 },
    { 111, kGain, 1 },
    { 112, kResoByCutoff, 1 },
    { 113, kFilterDrive, 1 },
    { 114, kDC, 1 },
    { 116, kFatness, 41 },
};
constexpr int32_t kUnusedIndexSlot = 115;

constexpr std::array<int32_t, kNumParameters> slotTable()
{
    std::array<int32_t, kNumParameters> slots {};
    for (int32_t& slot : slots)
        slot = -1;
    for (const SlotRun& run : kSlotRuns)
        for (int32_t i = 0; i < run.count; ++i)
            slots[static_cast<size_t>(run.firstIndex + i)] = run.firstSlot + i;
    return slots;
}
constexpr std::array<int32_t, kNumParameters> kSlotOfIndex = slotTable();

constexpr int32_t indexOfSlot(int32_t slot)
{
    if (slot == kUnusedIndexSlot)
        return kUnused110;
    for (int32_t index = 0; index < kNumParameters; ++index)
        if (kSlotOfIndex[static_cast<size_t>(index)] == slot)
            return index;
    return -1;
}

// Slots in ascending order, except that the resonance-by-cutoff slot comes
// before the gain slot, so both reach the filter in the constructor's order.
constexpr std::array<ProgramBank::RecallStep, ProgramBank::kRecallSteps> recallTable()
{
    std::array<ProgramBank::RecallStep, ProgramBank::kRecallSteps> steps {};
    for (int32_t slot = 0; slot < ProgramBank::kRecallSteps; ++slot)
        steps[static_cast<size_t>(slot)] = { slot, indexOfSlot(slot) };
    std::swap(steps[111], steps[112]);
    return steps;
}
constexpr std::array<ProgramBank::RecallStep, ProgramBank::kRecallSteps> kRecallOrder = recallTable();

constexpr bool everyStepHasAnIndex()
{
    for (const auto& step : kRecallOrder)
        if (step.index < 0)
            return false;
    return true;
}
static_assert(everyStepHasAnIndex(), "every recalled slot belongs to a parameter");

} // namespace

int32_t ProgramBank::slotOf(int32_t index)
{
    return index >= 0 && index < kNumParameters ? kSlotOfIndex[static_cast<size_t>(index)] : -1;
}

const std::array<ProgramBank::RecallStep, ProgramBank::kRecallSteps>& ProgramBank::recallOrder()
{
    return kRecallOrder;
}

ProgramBank::ProgramBank()
{
    for (Program& program : programs) {
        for (int32_t index = 0; index < kNumParameters; ++index) {
            const int32_t slot = slotOf(index);
            if (slot >= 0)
                program.values[static_cast<size_t>(slot)].store(parameterInfo(index)->defaultValue,
                    std::memory_order_relaxed);
        }
        std::strcpy(program.name.data(), "Init");
    }
}

void ProgramBank::store(int32_t program, int32_t index, float value)
{
    const int32_t slot = slotOf(index);
    if (isProgram(program) && slot >= 0)
        programs[static_cast<size_t>(program)].values[static_cast<size_t>(slot)].store(value, std::memory_order_relaxed);
}

float ProgramBank::slotValue(int32_t program, int32_t slot) const
{
    if (!isProgram(program) || slot < 0 || slot >= kNumSlots)
        return 0.0f;
    return programs[static_cast<size_t>(program)].values[static_cast<size_t>(slot)].load(std::memory_order_relaxed);
}

void ProgramBank::setName(int32_t program, const char* name)
{
    if (!isProgram(program) || !name)
        return;
    std::lock_guard<std::mutex> lock(nameLock);
    auto& target = programs[static_cast<size_t>(program)].name;
    std::strncpy(target.data(), name, kNameSize - 1);
    target[kNameSize - 1] = 0;
}

void ProgramBank::getName(int32_t program, char* text) const
{
    if (!isProgram(program))
        return;
    std::lock_guard<std::mutex> lock(nameLock);
    std::strcpy(text, programs[static_cast<size_t>(program)].name.data());
}

void ProgramBank::copy(int32_t source, int32_t destination)
{
    if (!isProgram(source) || !isProgram(destination) || source == destination)
        return;
    const Program& from = programs[static_cast<size_t>(source)];
    Program& to = programs[static_cast<size_t>(destination)];
    for (size_t slot = 0; slot < kNumSlots; ++slot)
        to.values[slot].store(from.values[slot].load(std::memory_order_relaxed), std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(nameLock);
    to.name = from.name;
}
