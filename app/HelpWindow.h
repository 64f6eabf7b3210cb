#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace sievra {

// The help topics of the window's controls, and the page each one opens.
namespace HelpContext {
inline constexpr int None = 0;
inline constexpr int StatusList = 1001;
inline constexpr int AccountTree = 1002;
inline constexpr int ReplyText = 1003;
inline constexpr int CodeWords = 1004;
inline constexpr int AccountPop3 = 1005;
inline constexpr int AccountSmtp = 1006;
inline constexpr int GeneralSettings = 1007;
inline constexpr int AddressBook = 1008;
} // namespace HelpContext

// The page of a topic within the help folder; the contents page for None and any number
// without a page of its own.
QString HelpTopicFile(int context);

// The program's own help window: the HTML pages shipped in the help folder beside the
// program, with Back, Contents and About. Esc and Ctrl+W close it.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QString directory, QWidget* parent = nullptr);

    // Opens the topic's page; false (and nothing shown) when the page is missing.
    bool OpenTopic(int context);
    QString Directory() const { return directory_; }
    // The file name of the page on show ("account-pop3.html").
    QString PageName() const;

    QTextBrowser* txtHelp;

signals:
    // The contents' "About Sievra" link or the About button.
    void aboutRequested();

private:
    QString directory_;
};

} // namespace sievra
