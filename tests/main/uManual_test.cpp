// The user manual: every page's links and pictures lead somewhere inside it,
// and its keyboard reference names every shortcut of the command table.
#include "main/uActions.h"
#include "tests/document/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

QString ReadText(const QString& File) {
    QFile f(File);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

// What is wrong with the links of the HTML pages in Folder, one line each:
// an address with a scheme (the manual is read offline and loads nothing from
// outside), a file that is missing or lies outside Folder, an anchor that the
// page it names lacks, and a picture under images/ that no page shows.
QStringList BrokenLinks(const QString& Folder) {
    const QDir root(Folder);
    const QString top = QDir::cleanPath(root.absolutePath()) + QLatin1Char('/');
    static const QRegularExpression kLink(
        QStringLiteral(R"re(\b(href|src)\s*=\s*"([^"]*)")re"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression kScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    QStringList faults;
    QSet<QString> shown;
    const QStringList pages = root.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    if (pages.isEmpty())
        faults << QStringLiteral("no pages in ") + Folder;
    for (const QString& page : pages) {
        const QString text = ReadText(root.filePath(page));
        for (auto m = kLink.globalMatch(text); m.hasNext();) {
            const QString address = m.next().captured(2);
            const QString where = page + QStringLiteral(": ") + address;
            if (address.isEmpty() || kScheme.match(address).hasMatch()) {
                faults << where + QStringLiteral(" is not a link inside the manual");
                continue;
            }
            const qsizetype hash = address.indexOf(QLatin1Char('#'));
            const QString path = hash < 0 ? address : address.left(hash);
            const QString anchor = hash < 0 ? QString() : address.mid(hash + 1);
            const QString target =
                path.isEmpty() ? root.absoluteFilePath(page)
                               : QDir::cleanPath(root.absoluteFilePath(path));
            if (!target.startsWith(top) || !QFileInfo(target).isFile()) {
                faults << where + QStringLiteral(" finds no file");
                continue;
            }
            shown.insert(target);
            if (!anchor.isEmpty() &&
                !ReadText(target).contains(QStringLiteral("id=\"") + anchor + QLatin1Char('"')))
                faults << where + QStringLiteral(" names an anchor the page lacks");
        }
    }
    const QDir images(root.filePath(QStringLiteral("images")));
    for (const QString& image : images.entryList(QDir::Files, QDir::Name))
        if (!shown.contains(QDir::cleanPath(images.absoluteFilePath(image))))
            faults << QStringLiteral("images/") + image + QStringLiteral(" is shown by no page");
    return faults;
}

TEST(Manual, EveryLinkAndPictureResolves) {
    const QString folder = QStringLiteral(TESSELLON_MANUAL_DIR);
    ASSERT_TRUE(QFileInfo(folder + QStringLiteral("/index.html")).isFile());
    EXPECT_EQ(BrokenLinks(folder).join(QLatin1Char('\n')).toStdString(), "");
}

TEST(Manual, TheLinkCheckFindsEachKindOfFault) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The manual in a folder of its own, with a page beside it that is not
    // part of it.
    const QDir root(dir.filePath(QStringLiteral("manual")));
    ASSERT_TRUE(root.mkpath(QStringLiteral("images")));
    WriteFile(root.filePath(QStringLiteral("images/used.png")), "png");
    WriteFile(root.filePath(QStringLiteral("images/unused.png")), "png");
    WriteFile(dir.filePath(QStringLiteral("outside.html")), "<p id=\"a\">");
    WriteFile(root.filePath(QStringLiteral("other.html")), "<h2 id=\"here\">");
    WriteFile(root.filePath(QStringLiteral("index.html")),
              "<a href=\"other.html#here\">fine</a><img src=\"images/used.png\">"
              "<a href=\"#top\">own anchor missing</a>"
              "<a href=\"other.html#gone\">anchor missing</a>"
              "<a href=\"missing.html\">no file</a>"
              "<a href=\"../outside.html\">outside</a>"
              "<img src=\"https://example.org/x.png\">");

    const QStringList faults = BrokenLinks(root.path());
    const QStringList expected = {
        QStringLiteral("index.html: #top names an anchor the page lacks"),
        QStringLiteral("index.html: other.html#gone names an anchor the page lacks"),
        QStringLiteral("index.html: missing.html finds no file"),
        QStringLiteral("index.html: ../outside.html finds no file"),
        QStringLiteral("index.html: https://example.org/x.png is not a link inside the manual"),
        QStringLiteral("images/unused.png is shown by no page"),
    };
    EXPECT_EQ(faults, expected);
}

// Each shortcut of the command table appears as a key in a row of the
// keyboard reference that also names the command's caption.
TEST(Manual, TheKeyboardReferenceNamesEveryShortcut) {
    const QString text = ReadText(QStringLiteral(TESSELLON_MANUAL_DIR "/keys.html"));
    ASSERT_FALSE(text.isEmpty());
    static const QRegularExpression kRow(QStringLiteral("<tr>(.*?)</tr>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    QStringList rows;
    for (auto m = kRow.globalMatch(text); m.hasNext();)
        rows << m.next().captured(1);

    int shortcuts = 0;
    for (const TActionSpec& spec : ActionTable()) {
        const QString caption = QString::fromUtf8(spec.Caption);
        for (const QString& key :
             QString::fromLatin1(spec.Shortcut).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            ++shortcuts;
            const QString kbd = QStringLiteral("<kbd>") + key + QStringLiteral("</kbd>");
            const bool named = std::any_of(rows.begin(), rows.end(), [&](const QString& row) {
                return row.contains(kbd) && row.contains(caption);
            });
            EXPECT_TRUE(named) << key.toStdString() << " for " << spec.Name;
        }
    }
    EXPECT_GT(shortcuts, 0);
}

} // namespace
