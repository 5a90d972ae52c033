#pragma once

#include <QString>

namespace quillpix::options {

// The items chosen in the three option lists, as they stand ("" for a list with nothing
// chosen).
struct EngineChoice {
    QString psmItem;
    QString langItem;
    QString optionItem;
};

// What the recognition asks of the option lists.
class EngineChoices {
public:
    virtual ~EngineChoices() = default;
    virtual EngineChoice chosenItems() const = 0;
};

} // namespace quillpix::options
