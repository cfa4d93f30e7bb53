#pragma once

#include <QCoreApplication>
#include <QString>

// Gives a source file whose texts belong to no class its tr(): tr(text), or tr(text, n) for a text
// with a plural, looks the text up in the translation context named. Write it once near the top of
// the file, inside the file's namespace.
#define SF_FILE_TRANSLATIONS(context)                                                                        \
    namespace {                                                                                              \
    [[maybe_unused]] QString tr(const char* text, int n = -1)                                                \
    {                                                                                                        \
        return QCoreApplication::translate(context, text, nullptr, n);                                       \
    }                                                                                                        \
    }
