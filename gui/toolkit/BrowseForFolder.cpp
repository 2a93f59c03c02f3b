#include "gui/toolkit/BrowseForFolder.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileSystemModel>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <vector>

#include "gui/toolkit/AskAside.h"
#include "gui/toolkit/DialogUnits.h"
#include "gui/toolkit/GuiText.h"
#include "platform/ResourceIds.h"
#include "support/FileSystem.h"
#include "support/PathText.h"
#include "support/TextList.h"

namespace {

// The opening size, in dialog units.
constexpr QRect kOpeningSize(0, 0, 228, 236);

QString Piece(const std::vector<Chaine>& pieces, std::size_t i) {
    return i < pieces.size() ? ToQString(pieces[i]) : QString();
}

QString Absolute(const Chaine& path) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(ToQString(path)));
}

// `path` or its nearest existing ancestor; empty when none exists.
QString StartFolder(const Chaine& path) {
    if (path.IsEmpty()) return QString();
    Chaine folder = ToChaine(Absolute(path));
    while (
        !AnswerInTime([folder = folder.PrivateCopy()] { return DirectoryExists(folder); }, false)) {
        const Chaine parent = PathText::GetDirectory(folder);
        if (parent.IsEmpty() || parent == folder) return QString();
        folder = parent;
    }
    return ToQString(folder);
}

bool IsInside(const QString& folder, const QString& ancestor) {
    return folder.startsWith(ancestor) &&
           (ancestor.endsWith('/') || folder.size() == ancestor.size() ||
            folder.at(ancestor.size()) == '/');
}

// The folders, those whose path the program's text cannot carry greyed: they
// could not be tested, so they cannot be chosen (the folder field refuses
// them by the same rule); the tooltip says why.
class CarriedFolderModel : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        const Qt::ItemFlags all = QFileSystemModel::flags(index);
        if (!index.isValid() || UncarriedRefusal(filePath(index)).IsEmpty()) return all;
        return all & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::ToolTipRole && index.isValid()) {
            const Chaine refusal = UncarriedRefusal(filePath(index));
            if (!refusal.IsEmpty()) return ToQString(refusal);
        }
        return QFileSystemModel::data(index, role);
    }
};

// Qt's file dialog records its history in a settings file, and the program
// writes none: this one is a tree of folders over the file-system model.
class BrowseDialog : public QDialog {
public:
    BrowseDialog(const Chaine& texts, const Chaine& expectedFiles, const Chaine& root,
                 QWidget* owner)
        : QDialog(owner), m_texts(SplitText(texts)), m_expectedFiles(expectedFiles) {
        setWindowTitle(ResourceQString(res::kBrowseTitle));
        m_rootPath = root.IsEmpty() ? QStringLiteral("/") : Absolute(root);

        auto* instruction = new QLabel(Piece(m_texts, 0), this);
        instruction->setObjectName("instruction");
        instruction->setWordWrap(true);
        instruction->setVisible(!instruction->text().isEmpty());

        m_model = new CarriedFolderModel(this);
        m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
        m_model->setRootPath(m_rootPath);
        m_tree = new QTreeView(this);
        m_tree->setObjectName("tree");
        SetAccessibleTexts(m_tree, ResourceQString(res::kFolderTreeName),
                           instruction->text().isEmpty() ? windowTitle() : instruction->text());
        m_tree->setModel(m_model);
        m_tree->setRootIndex(m_model->index(m_rootPath));
        m_tree->setHeaderHidden(true);
        for (int column = 1; column < m_model->columnCount(); ++column) m_tree->hideColumn(column);

        m_status = new QLabel(this);
        m_status->setObjectName("status");
        m_status->setWordWrap(true);
        m_status->setVisible(!m_expectedFiles.IsEmpty());

        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        m_ok = buttons->button(QDialogButtonBox::Ok);
        m_ok->setText(ResourceQString(res::kOkButton));
        m_ok->setObjectName("ok");
        SetAccessibleTexts(m_ok, SpokenName(m_ok->text()),
                           ResourceQString(res::kBrowseOkDescription));
        QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
        cancel->setText(ResourceQString(res::kCancelButton));
        cancel->setObjectName("cancel");
        SetAccessibleTexts(cancel, SpokenName(cancel->text()),
                           ResourceQString(res::kBrowseCancelDescription));
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

        auto* layout = new QVBoxLayout(this);
        layout->addWidget(instruction);
        layout->addWidget(m_tree, 1);
        layout->addWidget(m_status);
        layout->addWidget(buttons);

        connect(m_tree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &BrowseDialog::ShowSelection);
        // Folders load in the background, and rows that arrive or are sorted
        // above the opening folder push it down: it is brought back into view
        // until the user acts on the tree.
        const auto keepInView = [this] {
            if (m_opening.isValid()) m_tree->scrollTo(m_opening);
        };
        connect(m_model, &QFileSystemModel::directoryLoaded, this, keepInView);
        connect(m_model, &QAbstractItemModel::rowsInserted, this, keepInView);
        connect(m_model, &QAbstractItemModel::layoutChanged, this, keepInView);
        connect(m_tree->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
                [this] { m_opening = QPersistentModelIndex(); });
        m_tree->installEventFilter(this);
        m_tree->viewport()->installEventFilter(this);
        resize(DialogUnits(font()).Map(kOpeningSize).size());
        ShowSelection();
    }

    void Open(const Chaine& path) {
        const QString folder = StartFolder(path);
        if (folder.isEmpty() || folder == m_rootPath || !IsInside(folder, m_rootPath)) return;
        // The model makes the rows on the way before their folders are read.
        const QModelIndex index = m_model->index(folder);
        if (!index.isValid()) return;
        m_tree->setCurrentIndex(index);
        m_tree->scrollTo(index);
        m_opening = index;
    }

    // Empty when no folder is selected.
    QString Chosen() const {
        const QModelIndexList rows = m_tree->selectionModel()->selectedRows();
        return rows.size() == 1 ? m_model->filePath(rows.front()) : QString();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::Wheel || type == QEvent::KeyPress)
            m_opening = QPersistentModelIndex();
        return QDialog::eventFilter(watched, event);
    }

private:
    void ShowSelection() {
        const QString folder = Chosen();
        if (m_expectedFiles.IsEmpty()) {
            m_ok->setEnabled(!folder.isEmpty() && Exists(folder));
            return;
        }
        const bool holds = !folder.isEmpty() &&
                           AnswerInTime(
                               [path = ToChaine(folder), expected = m_expectedFiles.PrivateCopy()] {
                                   return FolderHoldsExpectedFile(path, expected);
                               },
                               false);
        m_status->setText(Piece(m_texts, holds ? 2 : 1));
        m_ok->setEnabled(holds && Exists(folder));
    }

    // A name with a character that names may not hold here cannot be chosen
    // either: no folder of that name is found.
    static bool Exists(const QString& folder) {
        return AnswerInTime([path = ToChaine(folder)] { return DirectoryExists(path); }, false);
    }

    std::vector<Chaine> m_texts;
    Chaine m_expectedFiles;
    QString m_rootPath;
    QFileSystemModel* m_model;
    QTreeView* m_tree;
    QLabel* m_status;
    QPushButton* m_ok;
    QPersistentModelIndex m_opening;
};

}  // namespace

bool BrowseForFolder(Chaine& path, const Chaine& texts, const Chaine& expectedFiles, QWidget* owner,
                     const Chaine& root) {
    BrowseDialog dialog(texts, expectedFiles, root, owner);
    dialog.Open(path);
    if (dialog.exec() != QDialog::Accepted) return false;
    const QString chosen = dialog.Chosen();
    if (chosen.isEmpty()) return false;
    path = ToChaine(chosen);
    return true;
}
