#pragma once

#include <string_view>
#include <vector>

namespace sf::rules {

// A trie of byte strings whose nodes are numbered: node 0 is the empty string, and insert() gives
// the node that ends a key. The indexes that look rules up by the text they begin with keep their
// values in vectors of their own, indexed by these node numbers.
class ByteTrie {
public:
    // The node that ends the key, made with every node before it when new.
    int insert(std::string_view key);
    // The node one byte below a node, or -1. Inline: the matchers call it for every byte of a path.
    int child(int node, char byte) const
    {
        for (int c = m_nodes[node].firstChild; c >= 0; c = m_nodes[c].nextSibling) {
            if (m_nodes[c].byte == byte)
                return c;
        }
        return -1;
    }
    int size() const { return static_cast<int>(m_nodes.size()); }

private:
    struct Node {
        char byte = 0;
        int firstChild = -1;
        int nextSibling = -1;
    };
    std::vector<Node> m_nodes{Node{}};
};

} // namespace sf::rules
