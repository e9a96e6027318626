#include "platform/qt_help_viewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "platform/browser.h"

namespace pelora {

QString helpFilePath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kHelpFileName));
}

QString helpTopicIdentifier(std::int32_t topic) {
    return QStringLiteral("pelora.topic.%1").arg(topic);
}

namespace {

// A page browser that reads qthelp:// pages (and their pictures) out of the help file.
class HelpBrowser final : public QTextBrowser {
public:
    // Links are followed by the window (HelpWindow::followLink): left to itself, the browser
    // hands every qthelp:// link to the desktop, which has nothing to open it with.
    HelpBrowser(QHelpEngine* engine, QWidget* parent) : QTextBrowser(parent), m_engine(engine) {
        setOpenLinks(false);
    }

    QVariant loadResource(int type, const QUrl& name) override {
        if (name.scheme() == QLatin1String("qthelp")) {
            return m_engine->fileData(name);
        }
        return QTextBrowser::loadResource(type, name);
    }

private:
    QHelpEngine* m_engine;
};

// The first of the pages an index entry leads to.
QUrl firstLink(const QList<QHelpLink>& links) {
    return links.isEmpty() ? QUrl() : links.first().url;
}

}  // namespace

HelpWindow::HelpWindow(const QString& helpFile, QWidget* owner)
    : QWidget(owner, Qt::Window),
      m_helpFile(helpFile),
      m_collectionDir(std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("pelora-help-XXXXXX")))) {
    setWindowTitle(QStringLiteral("Pelora Help"));
    resize(900, 620);

    const QString collection = m_collectionDir->isValid()
        ? m_collectionDir->filePath(QStringLiteral("pelora.qhc")) : QString();
    m_engine = new QHelpEngine(collection, this);
    m_engine->setReadOnly(false);
    m_engine->setUsesFilterEngine(true);
    m_namespace = QHelpEngineCore::namespaceName(helpFile);
    if (m_collectionDir->isValid() && !m_namespace.isEmpty() && m_engine->setupData()) {
        // A fresh collection: register the file, then read it in.
        m_usable = m_engine->registerDocumentation(helpFile) && m_engine->setupData() &&
                   m_engine->registeredDocumentations().contains(m_namespace);
    }
    buildWidgets();
    if (m_usable) {
        m_engine->searchEngine()->reindexDocumentation();
    }
}

HelpWindow::~HelpWindow() {
    // The widgets read from the engine: let them go first, then the engine, then its folder.
    delete m_body;
    delete m_engine;
}

void HelpWindow::buildWidgets() {
    m_body = new QSplitter(Qt::Horizontal, this);
    QSplitter* splitter = m_body;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* buttons = new QHBoxLayout;
    const auto button = [this, buttons](const char* name, const QString& text, const QString& tip) {
        auto* tool = new QToolButton(this);
        tool->setObjectName(QString::fromLatin1(name));
        tool->setText(text);
        tool->setToolTip(tip);
        buttons->addWidget(tool);
        return tool;
    };
    QToolButton* back = button("helpBack", tr("Back"), tr("The page before (Alt+Left)"));
    QToolButton* forward = button("helpForward", tr("Forward"), tr("The page after (Alt+Right)"));
    QToolButton* home = button("helpHome", tr("Home"), tr("The first page of the help"));
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);

    m_tabs = new QTabWidget(splitter);
    m_browser = new HelpBrowser(m_engine, splitter);
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 3);
    splitter->setSizes({280, 620});

    QHelpContentWidget* contents = m_engine->contentWidget();
    m_tabs->insertTab(static_cast<int>(Tab::Contents), contents, tr("Contents"));

    auto* indexPage = new QWidget(m_tabs);
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->addWidget(new QLabel(tr("Type in the keyword to find:"), indexPage));
    m_indexFilter = new QLineEdit(indexPage);
    m_indexFilter->setObjectName(QStringLiteral("indexFilter"));
    m_indexFilter->setClearButtonEnabled(true);
    indexLayout->addWidget(m_indexFilter);
    QHelpIndexWidget* index = m_engine->indexWidget();
    indexLayout->addWidget(index);
    m_tabs->insertTab(static_cast<int>(Tab::Index), indexPage, tr("Index"));

    auto* searchPage = new QWidget(m_tabs);
    auto* searchLayout = new QVBoxLayout(searchPage);
    QHelpSearchEngine* search = m_engine->searchEngine();
    QHelpSearchQueryWidget* query = search->queryWidget();
    QHelpSearchResultWidget* results = search->resultWidget();
    searchLayout->addWidget(query);
    searchLayout->addWidget(results, 1);
    m_tabs->insertTab(static_cast<int>(Tab::Search), searchPage, tr("Search"));

    back->setEnabled(false);
    forward->setEnabled(false);
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    connect(back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);
    connect(home, &QToolButton::clicked, this, [this] { showPage(startPage()); });
    // Esc and Ctrl+W close the window, as in the desktop's other help and document windows.
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* close = new QShortcut(keys, this);
        close->setContext(Qt::WindowShortcut);
        connect(close, &QShortcut::activated, this, &QWidget::close);
    }

    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::showPage);
    // One click opens an entry, whatever the desktop's style says about activating items.
    connect(contents, &QHelpContentWidget::clicked, this, [this](const QModelIndex& entry) {
        if (const QHelpContentItem* item = m_engine->contentModel()->contentItemAt(entry)) {
            showPage(item->url());
        }
    });
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& link, const QString&) { showPage(link.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink>& links, const QString&) { showPage(firstLink(links)); });
    connect(m_indexFilter, &QLineEdit::textChanged, index,
            [index](const QString& text) { index->filterIndices(text); });
    connect(m_indexFilter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(query, &QHelpSearchQueryWidget::search, search,
            [search, query] { search->search(query->searchInput()); });
    connect(results, &QHelpSearchResultWidget::requestShowLink, this, &HelpWindow::showPage);
    // The contents tree is read in the background: open it fully and mark the page shown.
    // The page comes from the signal: while sourceChanged is emitted, source() still names
    // the page before.
    const auto markPage = [contents](const QUrl& page) {
        const QModelIndex item = contents->indexOf(page);
        if (item.isValid()) {
            contents->setCurrentIndex(item);
        }
    };
    connect(m_browser, &QTextBrowser::sourceChanged, contents, markPage);
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, contents, [this, contents, markPage] {
        contents->expandAll();
        markPage(m_browser->source());
    });
}

QUrl HelpWindow::topicPage(std::int32_t topic) const {
    if (!m_usable) {
        return {};
    }
    return firstLink(m_engine->documentsForIdentifier(helpTopicIdentifier(topic)));
}

QUrl HelpWindow::startPage() const {
    // Context number 1 is the welcome page.
    return topicPage(1);
}

void HelpWindow::showTab(Tab tab) {
    m_tabs->setCurrentIndex(static_cast<int>(tab));
    switch (tab) {
    case Tab::Index:
        m_indexFilter->setFocus();
        break;
    case Tab::Search:
        m_engine->searchEngine()->queryWidget()->setFocus();
        break;
    case Tab::Contents:
        m_engine->contentWidget()->setFocus();
        break;
    }
}

HelpWindow::Tab HelpWindow::currentTab() const {
    return static_cast<Tab>(m_tabs->currentIndex());
}

void HelpWindow::followLink(const QUrl& link) {
    const QUrl target = m_browser->source().resolved(link);
    if (target.scheme() == QLatin1String("qthelp")) {
        showPage(target);
    } else {
        DesktopBrowser().open(target.toString().toStdString());
    }
}

void HelpWindow::showPage(const QUrl& page) {
    if (page.isValid() && !page.isEmpty()) {
        m_browser->setSource(page);
    }
}

QUrl HelpWindow::currentPage() const {
    return m_browser->source();
}

QtHelpViewer::~QtHelpViewer() {
    // A window with an owner goes with its owner; a window without one is ours.
    if (m_window && !m_window->parent()) {
        delete m_window.data();
    }
}

HelpWindow* QtHelpViewer::windowFor(QWidget* owner, const QString& helpFile) {
    if (m_window && m_window->helpFile() == helpFile) {
        return m_window;
    }
    delete m_window.data();
    auto* window = new HelpWindow(helpFile, owner);
    if (!window->isUsable()) {
        delete window;
        return nullptr;
    }
    m_window = window;
    return window;
}

bool QtHelpViewer::HtmlHelp(WindowHandle owner, const std::string& helpFile, int command, std::intptr_t data) {
    if (command != kHelpDisplayToc && command != kHelpDisplayIndex &&
        command != kHelpDisplaySearch && command != kHelpContext) {
        return false;
    }
    const QString file = QString::fromStdString(helpFile);
    if (!QFileInfo(file).isFile()) {
        return false;
    }
    QWidget* ownerWidget = owner != 0 ? QWidget::find(static_cast<WId>(owner)) : nullptr;
    HelpWindow* window = windowFor(ownerWidget, file);
    if (window == nullptr) {
        return false;
    }
    switch (command) {
    case kHelpContext: {
        const QUrl page = window->topicPage(static_cast<std::int32_t>(data));
        if (page.isEmpty()) {
            return false;
        }
        window->showTab(HelpWindow::Tab::Contents);
        window->showPage(page);
        break;
    }
    case kHelpDisplayToc:
        window->showTab(HelpWindow::Tab::Contents);
        break;
    case kHelpDisplayIndex:
        window->showTab(HelpWindow::Tab::Index);
        break;
    case kHelpDisplaySearch:
        window->showTab(HelpWindow::Tab::Search);
        break;
    }
    if (window->currentPage().isEmpty()) {
        window->showPage(window->startPage());
    }
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

}  // namespace pelora
