#pragma once

#include <QByteArray>
#include <QIODevice>

#include <algorithm>

// Hands out its bytes a few at a time, as a pipe might, so that the reader
// meets every way a file can be cut into pieces.
class Trickle : public QIODevice
{
public:
    Trickle(const QByteArray &bytes, qint64 piece) : m_bytes(bytes), m_piece(piece)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = std::min({maxSize, m_piece, qint64(m_bytes.size()) - m_at});
        std::copy_n(m_bytes.constData() + m_at, n, data);
        m_at += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_piece;
    qint64 m_at = 0;
};
