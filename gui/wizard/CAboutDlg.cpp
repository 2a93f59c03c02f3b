#include "gui/wizard/CAboutDlg.h"

#include <QLocale>

#include "gui/toolkit/DialogUnits.h"
#include "gui/toolkit/GuiText.h"
#include "gui/toolkit/ResourceImage.h"
#include "platform/ResourceIds.h"
#include "platform/VersionResource.h"
#include "support/VersionInfo.h"
#include "ui_CAboutDlg.h"

namespace {

constexpr int kIconSize = 32;  // the standard icon size

QString Resource(unsigned id) { return ToQString(Chaine(Chaine::ResourceId(id))); }

}  // namespace

uint16_t CAboutDlg::LanguageId(const QLocale& locale) {
    static const struct {
        QLocale::Language language;
        uint16_t primary;
    } kPrimary[] = {
        {QLocale::Arabic, 0x01},     {QLocale::Catalan, 0x03},         {QLocale::Chinese, 0x04},
        {QLocale::Czech, 0x05},      {QLocale::Danish, 0x06},          {QLocale::German, 0x07},
        {QLocale::Greek, 0x08},      {QLocale::English, 0x09},         {QLocale::Spanish, 0x0A},
        {QLocale::Finnish, 0x0B},    {QLocale::French, 0x0C},          {QLocale::Hungarian, 0x0E},
        {QLocale::Italian, 0x10},    {QLocale::Japanese, 0x11},        {QLocale::Korean, 0x12},
        {QLocale::Dutch, 0x13},      {QLocale::NorwegianBokmal, 0x14}, {QLocale::Polish, 0x15},
        {QLocale::Portuguese, 0x16}, {QLocale::Russian, 0x19},         {QLocale::Swedish, 0x1D},
        {QLocale::Turkish, 0x1F},
    };
    constexpr uint16_t kDefaultSublanguage = 1 << 10;
    for (const auto& entry : kPrimary)
        if (entry.language == locale.language()) return kDefaultSublanguage | entry.primary;
    return 0;
}

CAboutDlg::CAboutDlg(QWidget* parent, const Chaine& program)
    : QDialog(parent), ui(std::make_unique<Ui::CAboutDlg>()) {
    ui->setupUi(this);
    DialogUnits::Scale(this);
    connect(ui->ok, &QPushButton::clicked, this, &QDialog::accept);
    setWindowTitle(Resource(res::kAboutCaptionPrefix) + Resource(res::kCaption));
    ui->icon->setPixmap(
        LoadResourceImage(res::kIcon)
            .scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    ShowResourceImage(ui->supportIcon, res::kSupportIcon, false);
    ShowVersion(program.IsEmpty() ? Chaine(platform::VersionResource::ModuleFileName()) : program);
    ui->phone->setText(Resource(res::kTelephone));
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::ShowVersion(const Chaine& program) {
    platform::VersionResource block;
    if (!platform::VersionResource::Read(program.View(), &block)) return;
    const platform::VersionTranslation translation =
        ChooseTranslation(block.translations, LanguageId(QLocale::system()));
    ui->version->setText(ToQString(GetVersionText(program, 0)));
    const Chaine prefix =
        Chaine().Format("\\StringFileInfo\\%04x%04x\\", translation.language, translation.codePage);
    for (const auto& [name, label] :
         {std::pair{"ProductName", ui->product}, {"LegalCopyright", ui->copyright}}) {
        std::string value;
        if (block.QueryString((prefix + name).View(), &value))
            label->setText(ToQString(Chaine(value)));
    }
}
