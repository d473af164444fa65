#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

// The bank of programs: each a full set of normalised values and a name.
// Values may be written from any thread, the audio thread included, so each
// slot is atomic; names are only touched by the host's other threads and
// share one lock.
class ProgramBank {
public:
    static constexpr int32_t kNumPrograms = 32;
    static constexpr int32_t kNumSlots = 158;
    static constexpr size_t kNameSize = 24;

    // One step of a program recall: the slot read and the parameter it is
    // passed to.
    struct RecallStep {
        int32_t slot;
        int32_t index;
    };
    static constexpr int32_t kRecallSteps = 157;

    // Every program holds the parameter defaults (0 where there is none) and
    // is named "Init".
    ProgramBank();

    static bool isProgram(int32_t program) { return program >= 0 && program < kNumPrograms; }

    // The slot of a parameter index, or -1 for the indices without one.
    static int32_t slotOf(int32_t index);
    // The order in which a recalled program's values are passed on.
    static const std::array<RecallStep, kRecallSteps>& recallOrder();

    // Stores a parameter value in a program; ignored for a program or an
    // index without a place.
    void store(int32_t program, int32_t index, float value);
    // A slot's value; 0 for a program or slot that does not exist.
    float slotValue(int32_t program, int32_t slot) const;

    // Names longer than kNameSize - 1 characters are cut.
    void setName(int32_t program, const char* name);
    // Writes at most kNameSize bytes.
    void getName(int32_t program, char* text) const;

    // Copies the values and the name of one program over another.
    void copy(int32_t source, int32_t destination);

private:
    struct Program {
        std::array<std::atomic<float>, kNumSlots> values {};
        std::array<char, kNameSize> name {};
    };

    std::array<Program, kNumPrograms> programs;
    mutable std::mutex nameLock;
};
