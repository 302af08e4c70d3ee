#include "core/base/error.h"

#include "core/lang/english_texts.h"

namespace px {
namespace {

// The built-in English texts, read as a MessageTable filled with English reads them.
struct EnglishTexts {
    QString text(int id) const
    {
        if (id < 0 || static_cast<std::size_t>(id) >= kEnglishTexts.size())
            return {};
        return QString::fromLatin1(kEnglishTexts[static_cast<std::size_t>(id)]);
    }
};

} // namespace

QString fillArguments(QStringView text, const QStringList& arguments)
{
    QString out;
    out.reserve(text.size() + 32);
    qsizetype copied = 0;   // the text before this is in `out`
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'%' && text[i + 1] >= u'1' && text[i + 1] <= u'9') {
            const int n = text[i + 1].unicode() - u'0';
            if (n >= 1 && n <= arguments.size()) {
                out += text.sliced(copied, i - copied);
                out += arguments[n - 1];
                copied = i + 2;
                ++i;
            }
        }
    }
    out += text.sliced(copied);
    return out;
}

Message::Argument::Argument(const Message& message) : m_message(std::make_shared<const Message>(message)) {}

Message::Argument::Argument(const Error& error) : Argument(error.message()) {}

QStringList Message::arguments() const
{
    QStringList out;
    out.reserve(static_cast<qsizetype>(m_arguments.size()));
    for (const Argument& a : m_arguments)
        out.append(a.text(EnglishTexts()));
    return out;
}

QString Message::englishText() const
{
    return text(EnglishTexts());
}

// The English text is composed before the message is stored: one constructor argument
// must not be moved from while another still reads it.
Error::Error(Message message) : Error(English{message.englishText()}, message) {}

Error::Error(English english, const Message& message)
    : std::runtime_error(english.text.toStdString()), m_message(message), m_text(std::move(english.text))
{
}

} // namespace px
