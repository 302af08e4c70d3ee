#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <concepts>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <vector>

namespace px {

// Puts arguments[0] where the text says %1, arguments[1] for %2, ... in one pass, so an
// argument that itself holds "%2" stays as it is. A marker without its argument stays too.
QString fillArguments(QStringView text, const QStringList& arguments);

class Error;

// One entry of the message table (core/lang/messages.def, named px::msg::k...) with the
// values of its %1, %2, ...: a text that can be composed in English or in the language of
// any message table.
class Message {
public:
    // One value: a text that stands as it is (a name, a number, a cause given by Qt or the
    // system) or a message of its own, composed in the same language as the whole.
    class Argument {
    public:
        Argument(const QString& text) : m_text(text) {}
        Argument(QStringView text) : m_text(text.toString()) {}
        Argument(QLatin1StringView text) : m_text(text) {}
        // Integers in decimal, as QString::number writes them; bool and characters are no
        // numbers here.
        template <std::integral T>
            requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, char16_t>
                     && !std::same_as<T, char32_t> && !std::same_as<T, wchar_t> && !std::same_as<T, char8_t>)
        Argument(T number) : m_text(QString::number(number))
        {
        }
        Argument(const Message& message);
        Argument(const Error& error);

        // The argument in the language `texts` gives (any type with text(int id)).
        template <class Texts>
        QString text(const Texts& texts) const;

    private:
        friend class Message;
        QString m_text;
        std::shared_ptr<const Message> m_message;   // set for a message of its own
    };

    explicit Message(int id, std::initializer_list<Argument> arguments = {}) : m_id(id), m_arguments(arguments) {}

    int id() const { return m_id; }
    // The arguments, each composed in English.
    QStringList arguments() const;

    // The whole text in English, the built-in texts of the message table.
    QString englishText() const;
    // The whole text in the language of `texts` (a MessageTable, or any type with
    // QString text(int id)), the arguments that are messages included.
    template <class Texts>
    QString text(const Texts& texts) const
    {
        QStringList values;
        values.reserve(static_cast<qsizetype>(m_arguments.size()));
        for (const Argument& a : m_arguments)
            values.append(a.text(texts));
        return fillArguments(texts.text(m_id), values);
    }

private:
    int m_id;
    std::vector<Argument> m_arguments;
};

template <class Texts>
QString Message::Argument::text(const Texts& texts) const
{
    return m_message ? m_message->text(texts) : m_text;
}

// The one failure that abandons a user action: a file that does not parse, a required
// value that is missing, a strict number that does not convert, a file that cannot be
// written. Its message names the file, the row or element and the cause; the general
// error report shows it in the language of the window, the command-line tool in English.
// It is made from a message id only, so every text it carries can be translated.
class Error : public std::runtime_error {
public:
    explicit Error(Message message);
    Error(int id, std::initializer_list<Message::Argument> arguments = {}) : Error(Message(id, arguments)) {}

    const Message& message() const noexcept { return m_message; }
    int messageId() const noexcept { return m_message.id(); }
    // The arguments, each composed in English.
    QStringList arguments() const { return m_message.arguments(); }

    // The text in English (what() holds the same).
    const QString& text() const noexcept { return m_text; }
    // The text in the language of `texts` (a MessageTable).
    template <class Texts>
    QString text(const Texts& texts) const
    {
        return m_message.text(texts);
    }

private:
    struct English {
        QString text;
    };
    Error(English english, const Message& message);

    Message m_message;
    QString m_text;
};

} // namespace px
