#include "display/name_matcher.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace korvane {
namespace {

constexpr int32_t kNone = -1;
constexpr int32_t kRoot = 0;

struct Edge {
    unsigned char byte;
    int32_t target;
};

struct Node {
    std::vector<Edge> edges;  // sorted by byte
    int32_t fail = kRoot;
    int32_t next_terminal = kNone;  // nearest name end further down the fail chain
    bool terminal = false;
};

class Automaton {
public:
    explicit Automaton(const std::vector<std::string_view>& names) : nodes_(1) {
        name_ends_.reserve(names.size());
        for (std::string_view name : names) name_ends_.push_back(insert(name));
        link();
    }

    std::vector<bool> scan(std::string_view text) const {
        std::vector<bool> found_at(nodes_.size(), false);
        int32_t state = kRoot;
        mark(state, found_at);
        for (char c : text) {
            state = step(state, static_cast<unsigned char>(c));
            mark(state, found_at);
        }
        std::vector<bool> found(name_ends_.size());
        for (size_t i = 0; i < name_ends_.size(); ++i) found[i] = found_at[name_ends_[i]];
        return found;
    }

private:
    int32_t child(int32_t node, unsigned char byte) const {
        const std::vector<Edge>& edges = nodes_[node].edges;
        auto it = std::lower_bound(edges.begin(), edges.end(), byte,
                                   [](const Edge& e, unsigned char b) { return e.byte < b; });
        return it != edges.end() && it->byte == byte ? it->target : kNone;
    }

    int32_t insert(std::string_view name) {
        int32_t node = kRoot;
        for (char c : name) {
            const auto byte = static_cast<unsigned char>(c);
            int32_t next = child(node, byte);
            if (next == kNone) {
                next = static_cast<int32_t>(nodes_.size());
                nodes_.emplace_back();
                std::vector<Edge>& edges = nodes_[node].edges;
                auto at = std::lower_bound(edges.begin(), edges.end(), byte,
                                           [](const Edge& e, unsigned char b) { return e.byte < b; });
                edges.insert(at, Edge{byte, next});
            }
            node = next;
        }
        nodes_[node].terminal = true;
        return node;
    }

    // Fail links in breadth-first order, so that every shorter state is
    // linked before a longer one needs it.
    void link() {
        root_next_.fill(kRoot);
        for (const Edge& e : nodes_[kRoot].edges) root_next_[e.byte] = e.target;
        std::vector<int32_t> queue{kRoot};
        for (size_t head = 0; head < queue.size(); ++head) {
            const int32_t node = queue[head];
            for (const Edge& e : nodes_[node].edges) {
                Node& next = nodes_[e.target];
                next.fail = node == kRoot ? kRoot : step(nodes_[node].fail, e.byte);
                const Node& fail = nodes_[next.fail];
                next.next_terminal = fail.terminal ? next.fail : fail.next_terminal;
                queue.push_back(e.target);
            }
        }
    }

    int32_t step(int32_t state, unsigned char byte) const {
        while (state != kRoot) {
            const int32_t next = child(state, byte);
            if (next != kNone) return next;
            state = nodes_[state].fail;
        }
        return root_next_[byte];
    }

    // A marked node has its whole fail chain marked already, so each name end
    // is visited once over the whole scan.
    void mark(int32_t state, std::vector<bool>& found_at) const {
        int32_t node = nodes_[state].terminal ? state : nodes_[state].next_terminal;
        while (node != kNone && !found_at[node]) {
            found_at[node] = true;
            node = nodes_[node].next_terminal;
        }
    }

    std::vector<Node> nodes_;
    std::array<int32_t, 256> root_next_{};
    std::vector<int32_t> name_ends_;
};

}  // namespace

std::vector<bool> find_names_in(const std::vector<std::string_view>& names, std::string_view text) {
    return Automaton(names).scan(text);
}

}  // namespace korvane
