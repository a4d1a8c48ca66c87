#include "shell/shockwaveflash.h"

#include "shell/settings.h"

#include <QMovie>
#include <QPainter>

#include <algorithm>

namespace {

const QColor kNoMovieBackground(0x24, 0x1d, 0x17);
const QColor kNoMovieText(0xc9, 0xa2, 0x4a);

}  // namespace

CShockwaveFlash::CShockwaveFlash(QWidget* parent) : QWidget(parent) {}

CShockwaveFlash::~CShockwaveFlash() = default;

bool CShockwaveFlash::IsPlayerAvailable()
{
    return !QMovie::supportedFormats().isEmpty();
}

bool CShockwaveFlash::Create(const QString& name, QWidget* parent, const QRect& rect, int id)
{
    if (!IsPlayerAvailable())
        return false;
    setParent(parent);
    setObjectName(name);
    setProperty("controlId", id);
    setGeometry(rect);
    show();
    return true;
}

// The file is opened here and handed over as a device, so that the reader looks at its content
// and not at its name.
void CShockwaveFlash::SetMovie(const QString& path)
{
    m_movie.reset();
    m_file.close();
    m_path = path;
    m_file.setFileName(path);
    if (m_file.open(QIODevice::ReadOnly)) {
        m_movie = std::make_unique<QMovie>(&m_file, QByteArray());
        connect(m_movie.get(), &QMovie::frameChanged, this, qOverload<>(&QWidget::update));
        connect(m_movie.get(), &QMovie::frameChanged, this, &CShockwaveFlash::OnFrameChanged);
        connect(m_movie.get(), &QMovie::finished, this, &CShockwaveFlash::playedOnce);
        if (!m_movie->isValid())
            m_movie.reset();
        else
            m_movie->jumpToFrame(0);
    }
    update();
}

// A movie that loops for ever never finishes: it has played once when its last frame has had
// its time and the first comes round again.
void CShockwaveFlash::OnFrameChanged(int frame)
{
    if (frame < m_lastFrame)
        emit playedOnce();
    m_lastFrame = frame;
}

void CShockwaveFlash::Play()
{
    if (m_movie != nullptr && m_movie->state() != QMovie::Running)
        m_movie->start();
}

void CShockwaveFlash::Stop()
{
    if (m_movie != nullptr)
        m_movie->stop();
}

bool CShockwaveFlash::HasMovie() const
{
    return m_movie != nullptr;
}

bool CShockwaveFlash::IsPlaying() const
{
    return m_movie != nullptr && m_movie->state() == QMovie::Running;
}

void CShockwaveFlash::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QImage frame = m_movie != nullptr ? m_movie->currentImage() : QImage();
    if (frame.isNull()) {
        painter.fillRect(rect(), kNoMovieBackground);
        painter.setPen(kNoMovieText);
        QFont font = painter.font();
        font.setPixelSize(std::max(16, height() / 24));
        painter.setFont(font);
        painter.drawText(rect(), Qt::AlignCenter, varo::shell::kApplicationTitle);
        return;
    }
    painter.fillRect(rect(), frame.pixelColor(0, 0));
    QSize size = frame.size();
    if (size.width() > width() || size.height() > height())
        size.scale(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, frame);
}
