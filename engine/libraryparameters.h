#pragma once

#include <QString>

// What the linked engine library keeps once for the whole process.
namespace quillpix::engine {

// Whether the library keeps the setting of this name once for the whole process: set for one
// engine, it is set for every engine, in every thread, until something sets it again (most
// textord_ settings, debug_file, …). The library lists them itself; a build that cannot list
// them counts every name as process-wide, so nothing is taken for an engine's own.
bool processWideVariable(const QString& name);

} // namespace quillpix::engine
