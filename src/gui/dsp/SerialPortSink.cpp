#include "dsp/SerialPortSink.h"

#include <QSerialPort>

namespace tarnix {

namespace {
constexpr int ByteWriteTimeoutMs = 1000;
}

SerialPortSink::SerialPortSink(QSerialPort* port, QString portName)
    : port_(port), name_(std::move(portName)) {}

bool SerialPortSink::open() {
    if (port_->isOpen())
        return true;
    if (port_->portName().isEmpty())
        port_->setPortName(name_);
    port_->setBaudRate(QSerialPort::Baud9600);
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::NoParity);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!port_->open(QIODevice::ReadWrite)) {
        error_ = port_->errorString();
        return false;
    }
    port_->setDataTerminalReady(false);
    port_->setRequestToSend(false);
    return true;
}

bool SerialPortSink::write(uint8_t byte) {
    const char c = static_cast<char>(byte);
    if (port_->write(&c, 1) != 1) {
        error_ = port_->errorString();
        return false;
    }
    while (port_->bytesToWrite() > 0) {
        if (!port_->waitForBytesWritten(ByteWriteTimeoutMs)) {
            error_ = port_->errorString();
            return false;
        }
    }
    return true;
}

void SerialPortSink::close() {
    port_->close();
}

} // namespace tarnix
