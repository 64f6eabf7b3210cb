#include "HelpWindow.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace sievra {

QString HelpTopicFile(int context) {
    switch (context) {
    case HelpContext::StatusList:
        return QStringLiteral("status-list.html");
    case HelpContext::AccountTree:
        return QStringLiteral("account-tree.html");
    case HelpContext::ReplyText:
        return QStringLiteral("reply-text.html");
    case HelpContext::CodeWords:
        return QStringLiteral("code-words.html");
    case HelpContext::AccountPop3:
        return QStringLiteral("account-pop3.html");
    case HelpContext::AccountSmtp:
        return QStringLiteral("account-smtp.html");
    case HelpContext::GeneralSettings:
        return QStringLiteral("general-settings.html");
    case HelpContext::AddressBook:
        return QStringLiteral("address-book.html");
    default:
        return QStringLiteral("index.html");
    }
}

HelpWindow::HelpWindow(QString directory, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , directory_(std::move(directory)) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Sievra Help"));

    txtHelp = new QTextBrowser(this);
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    txtHelp->setSearchPaths({directory_});
    // Links to the web go to the user's browser; links between pages stay here.
    txtHelp->setOpenExternalLinks(true);
    // The About link is ours, not a page.
    connect(txtHelp, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) {
        if (url.scheme() == QLatin1String("about")) {
            txtHelp->backward();
            emit aboutRequested();
        }
    });

    auto* back =
        new QPushButton(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back"), this);
    back->setObjectName(QStringLiteral("butBack"));
    back->setEnabled(false);
    auto* contents = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                     QStringLiteral("Contents"), this);
    contents->setObjectName(QStringLiteral("butContents"));
    connect(back, &QPushButton::clicked, txtHelp, &QTextBrowser::backward);
    connect(txtHelp, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(contents, &QPushButton::clicked, this, [this] { OpenTopic(HelpContext::None); });
    auto* about = new QPushButton(QStringLiteral("&About Sievra"), this);
    about->setObjectName(QStringLiteral("butAbout"));
    connect(about, &QPushButton::clicked, this, &HelpWindow::aboutRequested);
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* close = new QShortcut(keys, this);
        connect(close, &QShortcut::activated, this, &QWidget::close);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(contents);
    buttons->addStretch();
    buttons->addWidget(about);
    auto* column = new QVBoxLayout(this);
    column->addLayout(buttons);
    column->addWidget(txtHelp, 1);
    resize(620, 540);
}

bool HelpWindow::OpenTopic(int context) {
    const QString page = directory_ + QLatin1Char('/') + HelpTopicFile(context);
    if (!QFileInfo::exists(page)) {
        return false;
    }
    txtHelp->setSource(QUrl::fromLocalFile(page));
    return true;
}

QString HelpWindow::PageName() const {
    return QFileInfo(txtHelp->source().toLocalFile()).fileName();
}

} // namespace sievra
