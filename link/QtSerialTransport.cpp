#include "link/QtSerialTransport.h"

#include <QSerialPort>
#include <QString>

#include <algorithm>
#include <chrono>

#ifndef _WIN32
#include "link/PosixSerialTransport.h"
#endif

namespace zvk {
namespace {

constexpr qint64 kQueueSize = 1024;

class QtSerialTransport final : public SerialTransport {
  public:
    bool Open(const std::string& name) override {
        port_.setPortName(QString::fromStdString(name));
        return port_.open(QIODevice::ReadWrite);
    }

    bool Configure() override {
        port_.setReadBufferSize(kQueueSize);
        const bool lineSet =
            port_.setBaudRate(QSerialPort::Baud38400) && port_.setDataBits(QSerialPort::Data8) &&
            port_.setParity(QSerialPort::NoParity) && port_.setStopBits(QSerialPort::OneStop) &&
            port_.setFlowControl(QSerialPort::NoFlowControl);
        if (!lineSet) return false;
        // Lines a pseudo-terminal or a three-wire adapter does not have cannot
        // be switched; the unit does not need them.
        port_.setDataTerminalReady(false);
        port_.setRequestToSend(false);
        port_.clearError();
#ifndef _WIN32
        RequestLowLatency(static_cast<int>(port_.handle()));
#endif
        return true;
    }

    // Only the input side: the driver may still be sending the bytes of the
    // last write, a command the unit must get, and clearing the output queue
    // would cut it off.
    void Purge() override {
        port_.clear(QSerialPort::Input);
        port_.clearError();
    }

    std::ptrdiff_t Write(const std::uint8_t* data, std::size_t count,
                         Clock::Duration timeout) override {
        if (!port_.isOpen()) return -1;
        if (port_.write(reinterpret_cast<const char*>(data), static_cast<qint64>(count)) !=
            static_cast<qint64>(count)) {
            return -1;
        }
        // Straight to the driver when it has room, which it nearly always has.
        port_.flush();
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (port_.bytesToWrite() > 0) {
            const int left = MillisecondsUntil(deadline);
            if (left <= 0 || !port_.waitForBytesWritten(left)) {
                if (port_.error() != QSerialPort::TimeoutError &&
                    port_.error() != QSerialPort::NoError) {
                    return -1;
                }
                port_.clearError();
                if (std::chrono::steady_clock::now() >= deadline) break;
            }
        }
        // Whatever did not leave in time is discarded now, so that it cannot
        // go out later in the middle of another exchange.
        const qint64 unsent = port_.bytesToWrite();
        if (unsent > 0) port_.clear(QSerialPort::Output);
        return static_cast<std::ptrdiff_t>(count) - static_cast<std::ptrdiff_t>(unsent);
    }

    std::ptrdiff_t Read(std::uint8_t* data, std::size_t count, Clock::Duration timeout) override {
        if (!port_.isOpen()) return -1;
        if (port_.bytesAvailable() == 0) {
            const auto deadline = std::chrono::steady_clock::now() + timeout;
            while (port_.bytesAvailable() == 0) {
                const int left = std::max(0, MillisecondsUntil(deadline));
                if (port_.waitForReadyRead(left)) continue;
                if (port_.error() != QSerialPort::TimeoutError &&
                    port_.error() != QSerialPort::NoError) {
                    return -1;
                }
                port_.clearError();
                if (left == 0 || std::chrono::steady_clock::now() >= deadline) return 0;
            }
        }
        const qint64 n = port_.read(reinterpret_cast<char*>(data), static_cast<qint64>(count));
        return n < 0 ? -1 : static_cast<std::ptrdiff_t>(n);
    }

    void Close() override { port_.close(); }

    bool HungUp() const override {
        if (!port_.isOpen()) return false;
#ifdef _WIN32
        return false;
#else
        return TtyHungUp(static_cast<int>(port_.handle()));
#endif
    }

  private:
    static int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
        return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                                    .count());
    }

    QSerialPort port_;
};

}  // namespace

std::unique_ptr<SerialTransport> MakeQtSerialTransport() {
    return std::make_unique<QtSerialTransport>();
}

}  // namespace zvk
