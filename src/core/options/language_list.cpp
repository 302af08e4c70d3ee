#include "core/options/language_list.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace px {

QStringList languageFiles(const QString& languageFolder)
{
    QStringList names;
    const QFileInfoList entries =
        QDir(languageFolder).entryInfoList({QStringLiteral("*.lng")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& fi : entries) {
        if (!fi.isFile() || fi.isSymLink())
            continue;
        if (!(fi.permissions() & QFileDevice::WriteOwner))
            continue;
        names << fi.fileName();
    }
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

QStringList languageChoices(const QString& languageFolder)
{
    QStringList choices{kBuiltInLanguage};
    for (const QString& file : languageFiles(languageFolder)) {
        const QString name = file.chopped(4);
        if (name != kBuiltInLanguage)
            choices << name;
    }
    return choices;
}

int languagePageCount(int languages)
{
    return (languages + kLanguagesPerPage - 1) / kLanguagesPerPage;
}

int languagesOnPage(int languages, int page)
{
    return std::clamp(languages - kLanguagesPerPage * (page - 1), 0, kLanguagesPerPage);
}

QString flagPicture(const QString& languageFolder, const QString& name)
{
    const QString own = languageFolder + u'/' + name + QStringLiteral(".bmp");
    if (QFileInfo(own).isFile())
        return own;
    const QString fallback = languageFolder + QStringLiteral("/DefaultFlag.bmp");
    if (QFileInfo(fallback).isFile())
        return fallback;
    return {};
}

} // namespace px
