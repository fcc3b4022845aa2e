#pragma once
// The log of failed transfers, and the completion report.
#include <QString>
#include <memory>

namespace fd {

class Port;

class FailureLog {
public:
    FailureLog();
    ~FailureLog();

    static QString fileName() { return QStringLiteral("分发失败记录.txt"); }
    // Full path of the log: beside the program, or in the user's data location
    // when the program's folder cannot be written.
    static QString path();

    // Creates or empties the log and writes its heading. A log that cannot be
    // created only loses its lines; the caller's count goes on.
    void open();
    // One line: source, "  →  ", destination.
    void add(const QString &source, const QString &destination);
    void close();
    bool isOpen() const;

    // GBK bytes of a text, "?" for characters that GBK cannot hold.
    static QByteArray toGbk(const QString &text);
    // Loads the GBK tables in the background, so the first run does not wait for them.
    static void loadEncodingSoon();

private:
    void writeLine(const QString &line);
    struct File;
    std::unique_ptr<File> file_;
};

// The message at the end of a run; opens the log's folder when files failed,
// deletes the log when none did.
void CompletionReport(const Port &port, int failureCount);

} // namespace fd
