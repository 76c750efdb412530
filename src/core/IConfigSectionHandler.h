// A part of the configuration whose type lives in a higher module (the export and print
// preset sets, the find conditions) joins the configuration's load and save through this
// interface: the configuration owns the handler and calls it at its step.
#pragma once

namespace quillora {

class CProfileStore;

// Where in the load and save order a handler runs.
enum class EConfigStep {
    // Right after the plain values of section "Find" and its histories.
    Find,
    // The preset sets, after the add-media section and before the closing Environ line.
    Forms,
};

// Suggested orders within EConfigStep::Forms, which fix the sequence CSV, HTML, tree,
// MediaMax, print.
inline constexpr int kFormOrderCsv = 10;
inline constexpr int kFormOrderHtml = 20;
inline constexpr int kFormOrderTree = 30;
inline constexpr int kFormOrderMediaMax = 40;
inline constexpr int kFormOrderPrint = 50;

class IConfigSectionHandler {
public:
    virtual ~IConfigSectionHandler() = default;

    virtual EConfigStep Step() const = 0;
    // Lower runs first within a step; equal orders run in the order of registration.
    virtual int Order() const = 0;

    // Reads the handler's sections with a default for everything missing (a set without
    // presets gets its default preset here). Writes its own trace line(s), e.g.
    // "RegLoad() CSV condition". Must not fail: bad data yields defaults.
    virtual void Load(const CProfileStore& store) = 0;
    // Writes the handler's sections, with its own trace line(s), e.g. "RegSave() CSV
    // condition". The file itself is written by the configuration afterwards.
    virtual void Save(CProfileStore& store) = 0;
};

} // namespace quillora
