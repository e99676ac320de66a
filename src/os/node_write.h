// One planned write of a node: where, and the text, as a feature would write
// it. Lets a service record and make the writes of several features itself.
#pragma once

#include <string>

namespace korvane {

struct NodeWrite {
    std::string path;
    std::string value;
    bool operator==(const NodeWrite&) const = default;
};

}  // namespace korvane
