#pragma once
// A pseudo-terminal pair standing in for a serial device: the code under test opens the slave
// path, the test plays the device at the master. The slave is raw (no byte is translated), the
// master is non-blocking. Closing the master is what an unplugged device looks like.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class Pty {
public:
    Pty();  // check isValid()
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool isValid() const { return m_master >= 0 && !m_slavePath.isEmpty(); }
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // Writes every byte, waiting while the slave's input queue is full; false on failure or
    // when timeoutMs ran out first.
    bool writeMaster(QByteArrayView bytes, int timeoutMs = 5000);
    // Writes what the master takes now: the number of bytes taken, or -1 on failure.
    qsizetype writeSomeMaster(QByteArrayView bytes);
    // Reads until `count` bytes came or timeoutMs ran out; returns what came.
    QByteArray readMaster(qsizetype count, int timeoutMs = 5000);
    // Reads until nothing more comes for quietMs.
    QByteArray readMasterUntilQuiet(int quietMs = 100);

    // Our own descriptor of the slave keeps the pair up while the code under test closes and
    // reopens its side; a simulated device lets go of it to notice who is attached.
    void closeSlave();
    void closeMaster();

    // Bytes waiting in the slave's input queue, read by nobody yet; -1 on failure.
    qsizetype waitingAtSlave() const;
    // Waits until at least `count` bytes wait in the slave's input queue (the system hands what
    // the master wrote on a moment later); false when timeoutMs ran out first.
    bool waitUntilWaitingAtSlave(qsizetype count, int timeoutMs = 5000) const;

    // The line speed the slave was last set to, as the kernel holds it; -1 on failure.
    int slaveLineSpeed() const;

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

// The line speed of a terminal, custom rates included; -1 on failure.
int ttyLineSpeed(int fd);
