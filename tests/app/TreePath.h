#pragma once

#include <QStringList>
#include <QTreeWidget>

namespace sievra::test {

// The node reached from the top of `tree` through the captions in `path`; null when a caption
// is not there.
inline QTreeWidgetItem* FindNode(QTreeWidget* tree, const QStringList& path) {
    QTreeWidgetItem* node = nullptr;
    for (const QString& text : path) {
        QTreeWidgetItem* next = nullptr;
        const int count = node == nullptr ? tree->topLevelItemCount() : node->childCount();
        for (int i = 0; i < count && next == nullptr; ++i) {
            QTreeWidgetItem* child = node == nullptr ? tree->topLevelItem(i) : node->child(i);
            if (child->text(0) == text) {
                next = child;
            }
        }
        if (next == nullptr) {
            return nullptr;
        }
        node = next;
    }
    return node;
}

} // namespace sievra::test
