// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DisplayDialog.h"

#include "DisplayTexts.h"
#include "app/DisplayControl.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSpinBox>
#include <QTimeZone>

namespace mrv {

namespace {

// The ports the list offers: the usual names, then the serial devices present now.
QStringList offeredPorts()
{
    QStringList ports;
    for (int n = 1; n <= 8; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        if (!ports.contains(info.systemLocation()))
            ports << info.systemLocation();
    return ports;
}

QComboBox *comboBox(const QString &objectName, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(objectName);
    return box;
}

QLineEdit *lineEdit(const QString &objectName, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    return edit;
}

QSpinBox *spinBox(const QString &objectName, int minimum, int maximum, const QString &suffix,
                  QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(objectName);
    box->setRange(minimum, maximum);
    box->setSuffix(suffix);
    return box;
}

} // namespace

DisplayDialog::DisplayDialog(DisplayControl &control, const DisplaySettings &display, bool adding,
                             QWidget *parent)
    : QDialog(parent)
    , m_control(control)
    , m_number(display.number)
{
    setObjectName(QStringLiteral("displayDialog"));
    setWindowTitle(adding ? tr("Add Display %1").arg(display.number)
                          : tr("Display %1").arg(display.number));

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("displayError"));
    m_error->setWordWrap(true);
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette colours = m_error->palette();
    colours.setColor(QPalette::WindowText, colours.color(QPalette::Window).lightness() < 128
                                                   ? QColor(0xff, 0x80, 0x80)
                                                   : QColor(0xb0, 0x00, 0x00));
    m_error->setPalette(colours);
    m_error->hide();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("displayButtons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &DisplayDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DisplayDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildFields());
    layout->addWidget(buildNmeaOptions());
    m_template = new QGroupBox(tr("Template"), this);
    m_template->setObjectName(QStringLiteral("templateOptions"));
    m_templateText = lineEdit(QStringLiteral("templateText"), m_template);
    auto *templateRow = new QFormLayout(m_template);
    auto *templateLabel = new QLabel(tr("Te&xt:"), m_template);
    templateLabel->setBuddy(m_templateText);
    templateRow->addRow(templateLabel, m_templateText);
    layout->addWidget(m_template);
    layout->addWidget(m_error);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    showSettings(display);
    connect(m_format, &QComboBox::currentIndexChanged, this, &DisplayDialog::showFormatOptions);
}

QWidget *DisplayDialog::buildFields()
{
    auto *fields = new QWidget(this);
    auto *form = new QFormLayout(fields);
    form->setContentsMargins(0, 0, 0, 0);
    const auto row = [form, fields](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, fields);
        label->setBuddy(field);
        form->addRow(label, field);
    };

    m_port = comboBox(QStringLiteral("displayPort"), fields);
    m_port->setEditable(true);
    m_port->setInsertPolicy(QComboBox::NoInsert);
    m_port->addItems(offeredPorts());
    row(tr("&Port:"), m_port);

    m_format = comboBox(QStringLiteral("displayFormat"), fields);
    for (const DisplayFormat format : DisplayTexts::kFormats)
        m_format->addItem(DisplayTexts::format(format));
    row(tr("&Format:"), m_format);

    // Empty: the format's own line settings, which the field shows greyed.
    m_line = lineEdit(QStringLiteral("displayLine"), fields);
    row(tr("&Line settings:"), m_line);

    m_interval = spinBox(QStringLiteral("displayInterval"), kMinIntervalSeconds,
                         kMaxIntervalSeconds, tr(" s"), fields);
    row(tr("&Interval:"), m_interval);

    m_zone = comboBox(QStringLiteral("displayZone"), fields);
    m_zone->setEditable(true);
    m_zone->setInsertPolicy(QComboBox::NoInsert);
    for (const DisplayZone &zone : DisplayTexts::offeredZones())
        m_zone->addItem(DisplayTexts::zone(zone));
    m_zone->setToolTip(tr("UTC, the computer's local time, a zone panel's time, or a zone of the "
                          "time-zone database typed as, for example, Europe/Berlin"));
    row(tr("&Zone:"), m_zone);

    m_lead = spinBox(QStringLiteral("displayLead"), -kMaxLeadMs, kMaxLeadMs, tr(" ms"), fields);
    m_lead->setToolTip(tr("How much earlier (or, below zero, later) the string leaves than the "
                          "line's speed alone asks for"));
    row(tr("L&ead:"), m_lead);

    m_unsynced = comboBox(QStringLiteral("displayUnsynced"), fields);
    for (const UnsyncedPolicy policy : DisplayTexts::kUnsyncedPolicies)
        m_unsynced->addItem(DisplayTexts::unsynced(policy));
    row(tr("While the clock is &not synchronised:"), m_unsynced);
    return fields;
}

QGroupBox *DisplayDialog::buildNmeaOptions()
{
    m_nmea = new QGroupBox(tr("NMEA 0183"), this);
    m_nmea->setObjectName(QStringLiteral("nmeaOptions"));
    auto *form = new QFormLayout(m_nmea);
    const auto row = [this, form](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, m_nmea);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    m_sentences = lineEdit(QStringLiteral("nmeaSentences"), m_nmea);
    m_sentences->setPlaceholderText(QStringLiteral("RMC,ZDA"));
    row(tr("&Sentences:"), m_sentences);
    m_talker = lineEdit(QStringLiteral("nmeaTalker"), m_nmea);
    m_talker->setMaxLength(2);
    row(tr("&Talker:"), m_talker);
    m_zoneSign = comboBox(QStringLiteral("nmeaZoneSign"), m_nmea);
    m_zoneSign->addItems({tr("Local time minus UTC (east positive)"),
                          tr("UTC minus local time (west positive)")});
    row(tr("ZDA zone si&gn:"), m_zoneSign);
    return m_nmea;
}

void DisplayDialog::showSettings(const DisplaySettings &display)
{
    m_port->setCurrentText(DisplayTexts::port(display.port));
    m_format->setCurrentIndex(int(
            std::find(DisplayTexts::kFormats.begin(), DisplayTexts::kFormats.end(), display.format)
            - DisplayTexts::kFormats.begin()));
    m_line->setText(display.lineSettings);
    m_interval->setValue(display.intervalSeconds);
    const int zoneRow = int(DisplayTexts::offeredZones().indexOf(display.zone));
    if (zoneRow >= 0)
        m_zone->setCurrentIndex(zoneRow);
    else
        m_zone->setCurrentText(DisplayTexts::zone(display.zone));
    m_lead->setValue(display.leadMs);
    m_shownFormat = display.format;
    m_unsynced->setCurrentIndex(
            int(std::find(DisplayTexts::kUnsyncedPolicies.begin(),
                          DisplayTexts::kUnsyncedPolicies.end(), display.unsynced)
                - DisplayTexts::kUnsyncedPolicies.begin()));
    m_sentences->setText(display.options.sentences.join(QLatin1Char(',')));
    m_talker->setText(display.options.talker);
    m_zoneSign->setCurrentIndex(display.options.zoneSignEast ? 0 : 1);
    m_templateText->setText(display.options.templateText);
    showFormatOptions();
}

DisplayFormat DisplayDialog::format() const
{
    return DisplayTexts::kFormats.at(std::size_t(std::max(0, m_format->currentIndex())));
}

void DisplayDialog::showFormatOptions()
{
    // An interval nobody changed follows the format: the strings every second, the frame
    // every minute.
    if (m_shownFormat && m_interval->value() == formatInfo(*m_shownFormat).defaultIntervalSeconds)
        m_interval->setValue(formatInfo(format()).defaultIntervalSeconds);
    m_shownFormat = format();
    m_nmea->setVisible(format() == DisplayFormat::Nmea);
    m_template->setVisible(format() == DisplayFormat::Template);
    m_line->setPlaceholderText(m_control.defaultLineSettings(format()));
}

std::optional<DisplaySettings> DisplayDialog::settings(QString *why) const
{
    DisplaySettings display;
    display.number = m_number;
    display.port = m_port->currentText().trimmed();
    if (display.port.isEmpty()) {
        *why = tr("Port: choose or type the display's port, such as COM2 or /dev/ttyUSB0.");
        return std::nullopt;
    }
    display.format = format();
    display.lineSettings = m_line->text().trimmed();
    if (display.lineSettings.isEmpty())
        display.lineSettings = m_control.defaultLineSettings(display.format);
    display.intervalSeconds = m_interval->value();

    // A row of the list, unless the user typed over it: then a zone of the database.
    const QString zoneText = m_zone->currentText().trimmed();
    const QList<DisplayZone> offered = DisplayTexts::offeredZones();
    const int zoneRow = m_zone->findText(zoneText, Qt::MatchFixedString);
    if (zoneRow >= 0 && zoneRow < offered.size()) {
        display.zone = offered.at(zoneRow);
    } else if (QTimeZone::isTimeZoneIdAvailable(zoneText.toUtf8())) {
        display.zone = {DisplayZone::Kind::Database, 0, zoneText.toUtf8()};
    } else {
        *why = zoneText.isEmpty()
                       ? tr("Zone: choose one, or type a zone of the time-zone database.")
                       : tr("Zone: \"%1\" is not a zone of the time-zone database (for example "
                            "Europe/Berlin).")
                                 .arg(zoneText);
        return std::nullopt;
    }
    display.leadMs = m_lead->value();
    display.unsynced = DisplayTexts::kUnsyncedPolicies.at(
            std::size_t(std::max(0, m_unsynced->currentIndex())));

    const QString sentences = m_sentences->text().simplified().remove(QLatin1Char(' '));
    display.options.sentences =
            sentences.isEmpty() ? EncoderOptions().sentences
                                : sentences.toUpper().split(QLatin1Char(','), Qt::SkipEmptyParts);
    display.options.talker = m_talker->text().trimmed().toUpper();
    display.options.zoneSignEast = m_zoneSign->currentIndex() == 0;
    display.options.templateText = m_templateText->text();
    return display;
}

void DisplayDialog::accept()
{
    QString why;
    std::optional<DisplaySettings> display = settings(&why);
    if (display && m_control.setDisplay(*display, &why)) {
        QDialog::accept();
        return;
    }
    if (why.isEmpty())
        why = tr("The display's settings cannot be saved.");
    m_error->setText(why);
    m_error->show();
}

} // namespace mrv
