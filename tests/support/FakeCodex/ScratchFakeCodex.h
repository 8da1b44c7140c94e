#pragma once

#include "FakeCodexScenario.h"

#include <QTemporaryDir>

#include <optional>

namespace tallyvane::testing {

// A fake `codex` in a scratch directory of its own; both go when this does.
class ScratchFakeCodex {
public:
    ScratchFakeCodex()
    {
        if (!m_directory.isValid())
            return;
        if (auto installed = FakeCodexScenario::install(m_directory.path()))
            m_fake.emplace(std::move(*installed));
    }

    bool isValid() const { return m_fake.has_value(); }
    FakeCodexScenario* operator->() { return &*m_fake; }
    const FakeCodexScenario* operator->() const { return &*m_fake; }
    QString path(const QString& name) const { return m_directory.filePath(name); }

private:
    QTemporaryDir m_directory;
    std::optional<FakeCodexScenario> m_fake;
};

} // namespace tallyvane::testing
