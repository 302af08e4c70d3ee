#pragma once

#include <QObject>
#include <QString>

#include <gtest/gtest.h>

#include <source_location>
#include <stdexcept>
#include <string>

namespace px::test {

// Thrown after a missing widget was reported, so that the test stops there instead of
// going on with a null pointer.
struct MissingWidget : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The child of `parent` named `name` of type T. A missing one is a fatal failure of the
// test at the caller's line, naming the widget and the window it was looked for in.
template <typename T = QWidget>
T* requireChild(const QObject* parent, const QString& name,
                std::source_location where = std::source_location::current())
{
    if (parent) {
        if (T* found = parent->findChild<T*>(name))
            return found;
    }
    const std::string what = "no " + std::string(T::staticMetaObject.className()) + " named \"" + name.toStdString()
                             + "\" in " + (parent ? parent->metaObject()->className() : std::string("a null window"));
    GTEST_MESSAGE_AT_(where.file_name(), static_cast<int>(where.line()), what.c_str(),
                      ::testing::TestPartResult::kFatalFailure);
    throw MissingWidget(what);
}

template <typename T = QWidget>
T* requireChild(const QObject* parent, const char* name, std::source_location where = std::source_location::current())
{
    return requireChild<T>(parent, QString::fromLatin1(name), where);
}

} // namespace px::test
