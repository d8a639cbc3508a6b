#include "config/parameter_panel.h"

#include <QLabel>
#include <QLocale>
#include <QWidget>

#include "app/control_arrays.h"
#include "config/parameters.h"
#include "display/format_value.h"

namespace voltrix {

ParameterPanel::ParameterPanel(QWidget* window, const ControlArrays& arrays, CommandSender& sender,
                               QObject* parent)
    : QObject(parent), window_(window), arrays_(arrays), sender_(sender) {}

void ParameterPanel::parameterReportReceived(const LastReport& report) {
    const std::uint8_t id = report[kParamReportIdByte];
    if (!acceptsParameterReport(id, report[kParamReportChannelByte])) {
        return;
    }
    const QString separator = QLocale::system().decimalPoint();
    switch (static_cast<ParamId>(id)) {
        case ParamId::FirmwareVersion:
            window_->findChild<QLabel*>(QStringLiteral("ver_firm"))
                ->setText(decodeFirmwareVersion(report));
            sender_.RequestParameter(static_cast<std::uint8_t>(ParamId::Temperature), 0);
            break;
        case ParamId::Temperature:
            window_->findChild<QLabel*>(QStringLiteral("label_temperature"))
                ->setText(
                    FormatValue(tenthsToDegrees(decodeTemperatureTenths(report)), 1, separator));
            break;
        default:
            break;
    }
}

}  // namespace voltrix
