#include "languages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QRegularExpression>

namespace quillpix::languages {

Language languageFor(const QString& localeName, const QString& override, Front front) {
    const QString asked = override.trimmed().toLower();
    if (asked == u"ja")
        return Language::Japanese;
    if (asked == u"en")
        return Language::English;
    // ja_JP.UTF-8, ja_JP@modifier, ja: only the language part counts.
    QString name = localeName.trimmed();
    const qsizetype cut = name.indexOf(QRegularExpression(QStringLiteral("[.@]")));
    if (cut >= 0)
        name.truncate(cut);
    if (name.isEmpty() || name == u"C" || name == u"POSIX")
        return front == Front::Window ? Language::Japanese : Language::English;
    const QString language = name.section(QLatin1Char('_'), 0, 0).toLower();
    return language == u"ja" ? Language::Japanese : Language::English;
}

QString messagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

Language languageOfEnvironment(Front front) {
    return languageFor(messagesLocale(), qEnvironmentVariable("QUILLPIX_LANG"), front);
}

Translators::Translators(QCoreApplication& app, Language language, Front front) : m_app(app) {
    if (language == Language::Japanese) {
        // Qt's dialogs and menus are English of themselves.
        add(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        // The window's texts are written in Japanese; the batch's lines in English.
        if (front == Front::Batch)
            add(QStringLiteral("quillpix_ja"), QStringLiteral(":/i18n"));
    } else {
        add(QStringLiteral("quillpix_en"), QStringLiteral(":/i18n"));
    }
}

Translators::~Translators() {
    for (const auto& translator : m_installed)
        QCoreApplication::removeTranslator(translator.get());
}

void Translators::add(const QString& name, const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    // A missing file (Qt's translations not installed) leaves those texts in English.
    if (!translator->load(name, folder) || !m_app.installTranslator(translator.get()))
        return;
    m_installed.push_back(std::move(translator));
}

} // namespace quillpix::languages
