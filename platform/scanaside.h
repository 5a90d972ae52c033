#pragma once

#include "scanfolder.h"

#include <functional>

// The scanner's calls for the window: each on a thread of its own while the window goes on
// answering (it repaints, its stop button can be pressed), returning once it has ended.
namespace quillpix::scanaside {

QList<scanner::Device> devices(scanner::Error* error);
scanner::Capabilities capabilities(const QString& device);
QImage preview(const scanner::Request& request, const std::function<bool()>& stopRequested,
               scanner::Error* error);
// progress is called on the calling thread; stopRequested on the scanning one.
scanner::FolderScan scanIntoFolder(const scanner::Request& request, const QString& folder,
                                   const std::function<void(const scanner::Progress&)>& progress,
                                   const std::function<bool()>& stopRequested);

} // namespace quillpix::scanaside
