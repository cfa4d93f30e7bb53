#include "rules/ByteTrie.h"

namespace sf::rules {

int ByteTrie::insert(std::string_view key)
{
    int node = 0;
    for (const char byte : key) {
        int next = child(node, byte);
        if (next < 0) {
            Node n;
            n.byte = byte;
            n.nextSibling = m_nodes[node].firstChild;
            m_nodes.push_back(n);
            next = size() - 1;
            m_nodes[node].firstChild = next;
        }
        node = next;
    }
    return node;
}

} // namespace sf::rules
