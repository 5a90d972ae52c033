#pragma once

#include <QString>
#include <QTranslator>

#include <memory>
#include <vector>

class QCoreApplication;

namespace quillpix::languages {

enum class Language { Japanese, English };

enum class Front { Window, Batch };

// The language a front speaks: QUILLPIX_LANG (ja or en) first; then the locale's language.
// With no locale at all (empty, C, POSIX) the window keeps its Japanese and the batch, whose
// lines go to terminals and logs, speaks English.
Language languageFor(const QString& localeName, const QString& override, Front front);

// The locale that decides messages, as the C library takes it: LC_ALL, else LC_MESSAGES, else
// LANG.
QString messagesLocale();

// languageFor() over this process's environment.
Language languageOfEnvironment(Front front);

// Qt's own texts (dialogs, the text box's menu) and the program's texts for one language, held
// for as long as this object lives and taken out again when it goes.
class Translators {
public:
    Translators(QCoreApplication& app, Language language, Front front);
    ~Translators();
    Translators(const Translators&) = delete;
    Translators& operator=(const Translators&) = delete;

private:
    void add(const QString& name, const QString& folder);

    QCoreApplication& m_app;
    std::vector<std::unique_ptr<QTranslator>> m_installed;
};

} // namespace quillpix::languages
