#pragma once
// Plays serial plans on a QSerialPort: every byte is written on its own and handed to the line before
// the next one, so the pauses between bytes are the pauses on the line.
#include "dsp/SerialPlan.h"

#include <QString>

class QSerialPort;

namespace tarnix {

class SerialPortSink : public SerialSink {
public:
    // portName is used when the port has to be opened and has no name yet.
    SerialPortSink(QSerialPort* port, QString portName = {});

    // Opens the port (9600 baud, 8 data bits, no parity, one stop bit, no flow control, DTR and RTS
    // off) unless it is open.
    bool open() override;
    bool write(uint8_t byte) override;
    void close() override;

    // Why the last open or write failed.
    QString error() const { return error_; }

private:
    QSerialPort* port_;
    QString name_;
    QString error_;
};

} // namespace tarnix
