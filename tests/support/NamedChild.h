#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <stdexcept>

namespace sf::test {

// The one control called `name` below `root`, found as a user finds it: by the name the window gives
// it, not through the window's members. Throws, and so fails the test, when there is none or more
// than one.
template <class T> T* named(const QObject* root, const QString& name)
{
    const QList<T*> found = root->findChildren<T*>(name);
    if (found.size() != 1)
        throw std::runtime_error(QStringLiteral("%1 controls named \"%2\" below %3")
                                     .arg(found.size())
                                     .arg(name, root->objectName())
                                     .toStdString());
    return found.first();
}

template <class T> T* named(const QObject& root, const QString& name)
{
    return named<T>(&root, name);
}

template <class T, class O> T* named(const std::unique_ptr<O>& root, const QString& name)
{
    return named<T>(root.get(), name);
}

} // namespace sf::test
