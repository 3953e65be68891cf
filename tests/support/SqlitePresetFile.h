// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SqlitePresetStorage.h"

#include <memory>

// The real preset file, as main() chooses it: window tests check what an
// operator's edits leave in it.
inline std::unique_ptr<PresetStorage> sqlitePresetFile()
{
    return std::make_unique<SqlitePresetStorage>();
}
