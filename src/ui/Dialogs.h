#pragma once

#include <QString>
#include <memory>

// Every message, input, confirmation and error box of the program goes through one seam,
// so that tests can answer them from a script and read every text shown.
namespace ui {

enum class Answer
{
    Yes,
    No,
    Cancel
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // A modal box with the text alone and one OK button.
    virtual void message(const QString& text) = 0;
    // The one-line input box with "確定" and "取消". On OK the entry is stored in value and
    // true returned; on Cancel or closing, value is left as it was and false returned.
    virtual bool input(const QString& title, const QString& prompt, QString& value, bool masked) = 0;
    // The Yes/No/Cancel box shown before a grid deletes a row; Yes is the default button.
    virtual Answer confirmDelete(const QString& title, const QString& body) = 0;
    // An OK/Cancel question; true for OK.
    virtual bool confirm(const QString& text) = 0;
    // The standard error box for an error that no handler catches.
    virtual void error(const QString& text) = 0;
    // The box that asks where to save a file, opening on the suggested path; the path chosen,
    // or empty for Cancel. It does not ask about a file that is there already.
    virtual QString saveFileName(const QString& title, const QString& suggested, const QString& filter) = 0;
};

Dialogs& dialogs();
// Installs the dialogs to use from now on and returns the ones in use before.
std::unique_ptr<Dialogs> installDialogs(std::unique_ptr<Dialogs> dialogs);

// The word the password prompt opens with. The general input box masks its entry when it
// opens holding this word, and shows plain text otherwise.
inline constexpr const char16_t* placeholderWord = u"password";

bool inputQuery(const QString& title, const QString& prompt, QString& value);
// The password prompt: the same box, always masked.
bool passwordQuery(const QString& title, const QString& prompt, QString& value);
void showMessage(const QString& text);
void showError(const QString& text);
// The delete-confirmation dialog with its fixed title.
Answer confirmDelete(const QString& body);
bool confirm(const QString& text);
QString saveFileName(const QString& title, const QString& suggested, const QString& filter);

inline constexpr const char16_t* deleteConfirmationTitle =
    u"確定刪除嗎? (Y) = 刪除, 否(N) = 保留, 取消 = 不做動作 ";

} // namespace ui
