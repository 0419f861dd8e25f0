#include <QFileInfo>
#include <QFontInfo>
#include <QImage>
#include <QPixmap>

#include "WindowFixture.h"
#include "app/qt/AppFonts.h"

namespace tolvane::app {
namespace {

using Layout = WindowTest;

TEST_F(Layout, WindowHasItsCaptionAndAFixedClientArea) {
    EXPECT_EQ(window().windowTitle(), "Tolvane v3.0");
    // 8175 x 6135 twips.
    EXPECT_EQ(window().size(), QSize(545, 409));
    EXPECT_EQ(window().minimumSize(), window().maximumSize());
    EXPECT_FALSE(window().windowIcon().isNull());
    for (const int size : {16, 24, 32, 48}) {
        EXPECT_EQ(window().windowIcon().pixmap(size, size).width(), size);
    }
}

TEST_F(Layout, EveryControlSitsWhereTheTableSays) {
    const struct {
        QWidget* control;
        QRect pixels;
    } expected[] = {
        {c().Shape2, {-8, 0, 561, 57}},           {c().Image1, {8, 5, 48, 48}},
        {c().lblTitle, {64, 8, 417, 25}},         {c().lblCopyright, {64, 32, 409, 17}},
        {c().cmdAdd, {16, 64, 161, 25}},          {c().CmdAddFolder, {192, 64, 209, 25}},
        {c().cmdClear1, {416, 64, 113, 25}},      {c().lblCount1, {18, 104, 513, 17}},
        {c().grdFiles1, {16, 120, 513, 105}},     {c().FrameConversion, {16, 232, 513, 89}},
        {c().LblCurrentDBX, {8, 16, 497, 17}},    {c().LblProgessCurrent, {120, 40, 385, 17}},
        {c().Label1, {8, 64, 113, 17}},           {c().ProgressBar1, {120, 64, 385, 17}},
        {c().CmdExtractDBX, {192, 328, 161, 29}}, {c().Shape1, {0, 368, 561, 57}},
        {c().Picture3, {16, 376, 513, 33}},       {c().CmdHelp, {0, 0, 113, 25}},
        {c().cmdEnd, {424, 0, 89, 25}},
    };
    for (const auto& [control, pixels] : expected) {
        EXPECT_EQ(control->geometry(), pixels) << control->metaObject()->className();
    }
    for (QWidget* inFrame :
         {static_cast<QWidget*>(c().LblCurrentDBX), static_cast<QWidget*>(c().LblProgessCurrent),
          static_cast<QWidget*>(c().Label1), static_cast<QWidget*>(c().ProgressBar1)}) {
        EXPECT_EQ(inFrame->parentWidget(), c().FrameConversion);
    }
    EXPECT_EQ(c().CmdHelp->parentWidget(), c().Picture3);
    EXPECT_EQ(c().cmdEnd->parentWidget(), c().Picture3);
}

TEST_F(Layout, CaptionsAndInitialState) {
    EXPECT_EQ(c().lblTitle->text(), "Tolvane");
    EXPECT_FALSE(c().lblCopyright->text().isEmpty());
    EXPECT_EQ(c().cmdAdd->text(), "Add Zimbra Mail File(s)...");
    EXPECT_EQ(c().CmdAddFolder->text(), "Add Folder having Zimbra Mail File(s)...");
    EXPECT_EQ(c().cmdClear1->text(), "Clear File(s)...");
    EXPECT_EQ(c().lblCount1->text(), "");
    EXPECT_EQ(c().FrameConversion->title(), "Details");
    EXPECT_EQ(c().LblCurrentDBX->text(), "Converting Messages...");
    EXPECT_EQ(c().LblProgessCurrent->text(), "Message 0 (of 0)");
    EXPECT_EQ(c().Label1->text(), "Conversion Progress  : ");
    EXPECT_EQ(c().ProgressBar1->Min(), 0);
    EXPECT_EQ(c().ProgressBar1->Max(), 100);
    EXPECT_EQ(c().ProgressBar1->Value(), 0.0f);
    EXPECT_EQ(c().CmdExtractDBX->text(), "Convert &Messages");
    EXPECT_EQ(c().CmdHelp->text(), "&Help Manual");
    EXPECT_EQ(c().cmdEnd->text(), "E&xit");

    // The empty queue: one row, one column, an empty cell, column 0 set wide on Load.
    EXPECT_EQ(window().grid().Rows(), 1);
    EXPECT_EQ(window().grid().Cols(), 1);
    EXPECT_EQ(window().grid().FixedRows(), 0);
    EXPECT_EQ(queuedPaths(), std::vector<std::string>{""});
    EXPECT_EQ(window().grid().ColWidth(0), 15000);
    EXPECT_EQ(window().workingPathList(), std::vector<std::string>{""});

    // Convert is the only control that starts disabled.
    for (QWidget* control : window().findChildren<QWidget*>()) {
        EXPECT_EQ(control->isEnabled(), control != c().CmdExtractDBX)
            << control->metaObject()->className();
    }
}

TEST_F(Layout, FontsAndColours) {
    const bool tahomaInstalled =
        QFileInfo::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
    for (QWidget* control :
         {static_cast<QWidget*>(c().cmdAdd), static_cast<QWidget*>(c().lblCount1),
          static_cast<QWidget*>(c().LblCurrentDBX), static_cast<QWidget*>(c().cmdEnd)}) {
        const QFontInfo font(control->font());
        EXPECT_DOUBLE_EQ(control->font().pointSizeF(), 8.25);
        EXPECT_FALSE(font.bold());
        if (tahomaInstalled) {
            EXPECT_EQ(font.family(), "Tahoma");
        }
    }
    const QFontInfo title(c().lblTitle->font());
    EXPECT_DOUBLE_EQ(c().lblTitle->font().pointSizeF(), 14.25);
    EXPECT_TRUE(title.bold());
    if (tahomaInstalled) {
        EXPECT_EQ(title.family(), "Tahoma");
        EXPECT_EQ(title.styleName(), "Bold");
    }
    EXPECT_EQ(c().lblTitle->palette().color(QPalette::WindowText), QColor(192, 0, 0));
    EXPECT_EQ(c().lblCopyright->palette().color(QPalette::WindowText), QColor(Qt::black));
    for (QWidget* white :
         {static_cast<QWidget*>(c().lblTitle), static_cast<QWidget*>(c().lblCopyright),
          static_cast<QWidget*>(c().Picture3)}) {
        EXPECT_TRUE(white->autoFillBackground());
        EXPECT_EQ(white->palette().color(QPalette::Window), QColor(Qt::white));
    }
    EXPECT_EQ(c().Shape1->fillColor(), QColor(Qt::white));
    EXPECT_EQ(c().Shape2->borderColor(), QColor(192, 192, 192));
}

TEST_F(Layout, WhiteBandsLieBehindTheControls) {
    const QImage image = window().grab().toImage();
    const auto at = [&](int x, int y) { return QColor(image.pixel(x, y)); };
    // Top band: white inside, grey border at its bottom edge, the title in front of it.
    EXPECT_EQ(at(520, 3), QColor(Qt::white));
    EXPECT_EQ(at(520, 56), QColor(192, 192, 192));
    EXPECT_NE(at(300, 60), QColor(Qt::white));
    // Bottom band: grey border on its top edge, white below it, Picture3 white in front.
    EXPECT_EQ(at(5, 368), QColor(192, 192, 192));
    EXPECT_EQ(at(5, 390), QColor(Qt::white));
    EXPECT_EQ(at(200, 395), QColor(Qt::white));
    // The logo is drawn over the band.
    bool logoDrawn = false;
    for (int x = 8; x < 56 && !logoDrawn; ++x) {
        logoDrawn = at(x, 29) != QColor(Qt::white);
    }
    EXPECT_TRUE(logoDrawn);
    // The title's text is drawn in its red over the white band.
    bool red = false;
    for (int x = 64; x < 200 && !red; ++x) {
        for (int y = 8; y < 33 && !red; ++y) {
            red = at(x, y) == QColor(192, 0, 0);
        }
    }
    EXPECT_TRUE(red);
}

TEST_F(Layout, FirstShowCentresTheWindowOnTheScreen) {
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((window().frameGeometry().center() - screen.center()).manhattanLength(), 2);
    // Later shows leave the window where the user put it.
    window().move(10, 10);
    window().hide();
    window().show();
    EXPECT_EQ(window().pos(), QPoint(10, 10));
}

}  // namespace
}  // namespace tolvane::app
