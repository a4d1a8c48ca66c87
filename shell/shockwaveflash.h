#pragma once
// The splash screen's movie player: plays the animation file it is given (its Movie) into its
// own area, centred on the colour of the movie's corner and shrunk to fit when the area is
// smaller. The format comes from the file's content, not its name, so the program's own
// animation plays from main.swf. A file it cannot play shows the application title instead.

#include <QFile>
#include <QWidget>

#include <memory>

class QMovie;

class CShockwaveFlash : public QWidget {
    Q_OBJECT
public:
    explicit CShockwaveFlash(QWidget* parent = nullptr);
    ~CShockwaveFlash() override;

    /// Whether this system can play animations at all.
    static bool IsPlayerAvailable();

    /// Becomes a child control of parent named name with id covering rect, and shows itself.
    /// False when there is no player.
    bool Create(const QString& name, QWidget* parent, const QRect& rect, int id);

    /// The movie's file; setting it loads the movie, stopped at its first frame.
    void SetMovie(const QString& path);
    QString Movie() const { return m_path; }
    void Play();
    void Stop();

    /// Whether the movie could be read, and whether it is playing.
    bool HasMovie() const;
    bool IsPlaying() const;

signals:
    /// The movie has played to its end once (it may go on looping).
    void playedOnce();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnFrameChanged(int frame);

    int m_lastFrame = -1;
    QString m_path;
    QFile m_file;
    std::unique_ptr<QMovie> m_movie;
};
