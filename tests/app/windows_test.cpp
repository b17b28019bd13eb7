// wndMain as start-up leaves it; every control of each window reachable by the mouse; the
// form rules as the operator meets them, through real clicks and list choices; the digit
// fields refusing anything but digits; the windows over wndMain (wndInfo, wndAbout, the
// exchange window as the session drives it; the message boxes are met end to end); and the
// decoder refusing a damaged picture.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <thread>

#include "app/png_decoder.h"
#include "assets/embedded_images.h"
#include "shell_fixture.h"

namespace kavrel::testing {
namespace {

// Each window (title|client size), then each of its controls in creation order, which is also
// the focus order: name|kind|caption (title or text; a list's items)|x,y,width,height|state
// (checked, or the item chosen), enabled flag and value byte.
// clang-format off
const std::vector<const char*> kMainWindow = {"Конфигуратор Kavrel V2.4|396x278",
    "frmMode|QGroupBox|Режим|5,5,110,100|0 1 0", "optSlave|QRadioButton|Ведомый|14,26,90,17|1 1 1",
    "optAutonomous|QRadioButton|Автономный|14,49,90,17|0 1 1", "lblAddress|QLabel|Адрес|124,23,45,15|0 1 0",
    "strAddress|QLineEdit|0|174,24,35,15|0 1 0", "frmIndication|QGroupBox|Индикация|120,5,165,100|0 1 0",
    "chkCountRed|QCheckBox|Вкл.отсчет по красному|125,45,155,14|1 1 3",
    "chkCountGreen|QCheckBox|Вкл.отсчет по зеленому|125,65,155,14|1 1 3",
    "chkIndicationRuAu|QCheckBox|Вкл.индикацию 'РУ' и 'АУ'|125,85,155,14|0 1 3",
    "frmTest|QGroupBox|Тест|290,5,100,100|0 1 0", "btnTest|QPushButton|Тест|300,25,84,20|0 1 0",
    "btnReset|QPushButton|Сброс|300,50,84,20|0 1 0", "frmLink|QGroupBox|Связь|290,110,99,164|0 1 0",
    "btnWrite|QPushButton|Запись|300,130,84,19|0 1 0", "btnRead|QPushButton|Чтение|300,155,84,19|0 1 0",
    "btnInfo|QPushButton|Инф|300,180,84,19|0 1 0", "btnAbout|QPushButton|О программе|300,205,84,19|0 1 0",
    "frmSound|QGroupBox|Звук|5,110,281,164|0 1 0",
    "lblPulseTime|QLabel|Время перехода на частые звук.импульсы|10,125,220,15|0 1 0",
    "chkSoundOff|QCheckBox|Отключить звуковое сопровождение|10,165,215,15|0 0 0",
    "lblSoundType|QLabel|Вид звукового сопровождения|10,185,166,14|0 1 0",
    "cmbSoundType|QComboBox|Сигнал №1,Сигнал №2,Сигнал №3|10,200,87,20|0 0 1",
    "cmbPulseTime|QComboBox|Выкл.,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20|10,140,87,20|8 1 10",
    "lblVolume|QLabel|Громкость|10,230,166,14|0 1 0", "strVolume|QLineEdit|100|15,250,35,15|0 0 100"};
// Each value sits on the row of its caption.
const std::vector<const char*> kInfoWindow = {"Информация об устройстве|253x152",
    "|QLabel|Версия микропрограммы устройства|17,16,198,20|0 1 0", "|QLabel|Класс совместимости устройства|17,41,198,20|0 1 0",
    "|QLabel|Версия программы конфигуратора|17,66,198,20|0 1 0", "|QLabel|Класс совместимости конфигуратора|17,91,198,20|0 1 0",
    "lblFirmwareVersion|QLabel|000|220,16,25,20|0 1 0", "lblDeviceClass|QLabel|000|220,41,25,20|0 1 0",
    "lblConfiguratorVersion|QLabel|000|220,66,25,20|0 1 0", "lblConfiguratorClass|QLabel|000|220,91,25,20|0 1 0",
    "btnInfoOk|QPushButton|OK|93,124,69,20|0 1 0"};
const std::vector<const char*> kAboutWindow = {"О программе...|390x290", "imgAboutBanner|QLabel||10,10,370,70|0 1 0",
    "edtAbout|QTextEdit|Программа: Конфигуратор Kavrel\nВерсия: 4\nКласс : 2\n     +7 (000) 000-00-00\n"
    "     email: info@kavrel.example\n     www.kavrel.example\nГородок      2019|10,90,370,150|0 1 0",
    "btnAboutOk|QPushButton|Ок|156,250,78,30|0 1 0"};
const std::vector<const char*> kExchangeWindow = {"Обмен данными|110x145",
    "AnimationImage|QLabel||5,5,100,100|0 1 0", "CancelButton|QPushButton|Отмена|5,110,100,30|0 1 0"};
// clang-format on

void ExpectLook(QWidget& window, QWidget& holder, const std::vector<const char*>& expected) {
    EXPECT_EQ(QString::asprintf("%s|%dx%d", qPrintable(window.windowTitle()), holder.width(),
                                holder.height())
                  .toStdString(),
              expected[0]);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    ASSERT_EQ(holder.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(),
              std::ssize(expected) - 1);
    QWidget* widget = &holder;
    for (const char* row : std::span(expected).subspan(1)) {
        do {  // past the parts of a control, such as a text box's viewport
            widget = widget->nextInFocusChain();
        } while (widget->parentWidget() != &holder);
        auto* list = qobject_cast<QComboBox*>(widget);
        QString caption = widget
                              ->property(widget->inherits("QGroupBox")   ? "title"
                                         : widget->inherits("QTextEdit") ? "plainText"
                                                                         : "text")
                              .toString();
        for (int item = 0; list && item < list->count(); ++item) {
            caption += (item ? "," : "") + list->itemText(item);
        }
        const QRect at = widget->geometry();
        EXPECT_EQ(
            QString::asprintf("%s|%s|%s|%d,%d,%d,%d|%d %d %d", qPrintable(widget->objectName()),
                              widget->metaObject()->className(), qPrintable(caption), at.x(),
                              at.y(), at.width(), at.height(),
                              list ? list->currentIndex() : widget->property("checked").toInt(),
                              widget->isEnabled(), ValueByte(*widget))
                .toStdString(),
            row);
        // A frame only surrounds its controls: a click at a control never lands on it.
        QWidget* found = window.childAt(widget->mapTo(&window, widget->rect().center()));
        EXPECT_TRUE(widget->inherits("QGroupBox") || found == widget ||
                    widget->isAncestorOf(found))  // a text box's viewport
            << row << " lies under " << (found ? qPrintable(found->objectName()) : "nothing");
    }
}

TEST_F(ShellTest, EachWindowShowsItsControlsInFocusOrderEachOnTopWhereTheOperatorClicks) {
    EXPECT_FALSE(ui.Main().windowFlags() & Qt::WindowMaximizeButtonHint);
    ExpectLook(ui.Main(), ui.Main().Content(), kMainWindow);
    ASSERT_TRUE(ui.OpenInfoWindow());
    ExpectLook(*ShownWindow<InfoWindow>(), *ShownWindow<InfoWindow>(), kInfoWindow);
    ui.CloseInfoWindow();
    ui.OpenAboutWindow();
    ExpectLook(*ShownWindow<AboutWindow>(), *ShownWindow<AboutWindow>(), kAboutWindow);
    ui.CloseAboutWindow();
    ASSERT_TRUE(ui.OpenExchangeWindow());
    ExpectLook(*ShownWindow<ExchangeWindow>(), *ShownWindow<ExchangeWindow>(), kExchangeWindow);
}

TEST_F(ShellTest, DigitFieldsClickedThroughTheWindowRefuseTypedAndPastedNonDigits) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ui.Main()));
    for (QWidget* field : {W(strAddress), W(strVolume)}) {
        field->setEnabled(true);
        // Sent to the window as the operator's click arrives: the window decides what is hit.
        QTest::mouseClick(ui.Main().windowHandle(), Qt::LeftButton, {},
                          field->mapTo(&ui.Main(), field->rect().center()));
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focus, "1a2-b3 +x");
        const QString digits = QString("4567890123").repeated(4);  // kept whole, however many
        for (const QString& pasted : {QString("45ab"), digits}) {  // the first refused whole
            QApplication::clipboard()->setText(pasted);
            QTest::keyClick(focus, Qt::Key_V, Qt::ControlModifier);
        }
        EXPECT_EQ(static_cast<QLineEdit*>(field)->text(), "123" + digits)
            << qPrintable(field->objectName());
    }
}

TEST_F(ShellTest, FormRulesKeepTheValueBytesInStepWithWhatTheControlsShow) {
    // The operator's clicks and list choices in turn, each with the mode, indication and
    // pulse-time bytes it leaves. Clicking the chosen option or choosing the chosen item again
    // changes nothing; a greyed but checked 'РУ'/'АУ' box still counts.
    const std::tuple<Control, int, int, int, int> steps[] = {
        {chkCountRed, 0, 1, 2, 10},       {chkCountGreen, 0, 1, 0, 10},
        {chkIndicationRuAu, 0, 1, 4, 10}, {chkCountRed, 0, 1, 5, 10},
        {chkCountGreen, 0, 1, 7, 10},     {optAutonomous, 0, 2, 7, 10},
        {optAutonomous, 0, 2, 7, 10},     {chkCountRed, 0, 2, 6, 10},
        {optSlave, 0, 1, 6, 10},          {optSlave, 0, 1, 6, 10},
        {cmbPulseTime, 0, 1, 6, 255},     {cmbPulseTime, 0, 1, 6, 255},
        {cmbPulseTime, 1, 1, 6, 3},       {cmbPulseTime, 18, 1, 6, 20}};
    QTest::keyClicks(W(strAddress), "42");
    for (const auto& [control, item, mode, indication, pulseTime] : steps) {
        control == cmbPulseTime ? Choose(W(control), item) : Click(control);
        EXPECT_EQ(std::tuple(ui.ValueByte(optSlave), ui.ValueByte(optAutonomous),
                             ui.ValueByte(chkCountRed), ui.ValueByte(chkCountGreen),
                             ui.ValueByte(chkIndicationRuAu), ui.ValueByte(cmbPulseTime),
                             W(strAddress)->isEnabled(), W(chkIndicationRuAu)->isEnabled()),
                  std::tuple(mode, mode, indication, indication, indication, pulseTime, mode == 1,
                             mode == 1))
            << "after " << qPrintable(W(control)->objectName()) << " " << item;
    }
    EXPECT_EQ(ui.Text(strAddress), "042");  // typed after the "0" already there
    // Changes made by the program itself, as a read makes them, run no rule.
    ui.SetState(cmbPulseTime, 3);
    ui.SetState(chkCountRed, 1);
    ui.SetState(optAutonomous, 1);
    ui.SetText(strAddress, "300");
    EXPECT_EQ(std::tuple(ui.ValueByte(cmbPulseTime), ui.ValueByte(chkCountRed),
                         ui.ValueByte(optAutonomous), ui.ValueByte(strAddress)),
              std::tuple(20, 6, 1, 42));
}

TEST(PngDecoder, RefusesADamagedOrTruncatedPicture) {
    const std::span<const std::uint8_t> good = EmbeddedPng(0);
    std::vector<std::uint8_t> corrupted(good.begin(), good.end());
    corrupted[corrupted.size() / 2] ^= 0xFF;  // inside the image data: its checksum fails
    EXPECT_FALSE(DecodePng(corrupted));
    EXPECT_FALSE(DecodePng(good.first(good.size() / 2)));
}

// wndInfo and wndAbout keep wndMain refusing input, even past a session's end, until closed:
// wndInfo only by its OK, wndAbout by its "Ок" or a close request. wndAbout's seven lines are
// yellow on black and read-only.
TEST_F(ShellTest, InfoAndAboutWindowsKeepWndMainRefusingInputUntilClosed) {
    for (const auto& [info, ok] :
         {std::pair(true, "btnInfoOk"), {false, "btnAboutOk"}, {false, ""}}) {
        info ? void(ui.OpenInfoWindow()) : Click(btnAbout);
        QDialog* window = ShownWindow<QDialog>();
        ASSERT_NE(window, nullptr);
        ui.SetMainWindowEnabled(true);
        Click(chkCountRed);
        if (info) {
            EXPECT_FALSE(window->close());
            QTest::keyClick(window, Qt::Key_Escape);
            QTest::keyClick(window, Qt::Key_F4, Qt::AltModifier);
        } else {
            auto* text = window->findChild<QTextEdit*>("edtAbout");
            QTest::keyClicks(text, "abc");
            EXPECT_EQ(text->toPlainText(), QString::fromUtf8(kAboutWindow[2]).section('|', 2, 2));
            EXPECT_EQ(std::pair(text->palette().color(QPalette::Text),
                                text->palette().color(QPalette::Base)),
                      std::pair(QColor(Qt::yellow), QColor(Qt::black)));
        }
        EXPECT_EQ(std::tuple(window->isVisible(), TakesInput(ui), ui.State(chkCountRed)),
                  std::tuple(true, false, 1));
        *ok ? testing::Click(window->findChild<QPushButton*>(ok)) : void(window->close());
        EXPECT_EQ(std::pair(ShownWindow<QDialog>() != nullptr, TakesInput(ui)),
                  std::pair(false, true));
    }
}

TEST_F(ShellTest, ExchangeWindowShowsFramesFromAThreadAndReportsCancelOnce) {
    ASSERT_TRUE(ui.OpenExchangeWindow());
    ExchangeWindow* window = ShownWindow<ExchangeWindow>();
    auto* cancel = window->findChild<QPushButton*>("CancelButton");
    EXPECT_LE((window->geometry().center() - ui.Main().geometry().center()).manhattanLength(), 2);
    EXPECT_FALSE((window->windowFlags() & Qt::WindowCloseButtonHint) || window->close());
    // A poll takes the presses once; the session refuses input on wndMain meanwhile.
    ui.SetMainWindowEnabled(false);
    testing::Click(cancel);
    testing::Click(cancel);
    EXPECT_EQ((std::pair{ui.PollCancel(), ui.PollCancel()}), std::pair(true, false));
    std::thread([this] { ui.ShowAnimationFrame(11); }).join();
    QCoreApplication::processEvents();
    EXPECT_EQ(window->findChild<QLabel*>("AnimationImage")->pixmap().toImage(),
              TestImages().animationFrames[11].toImage());
    // A frame still queued when its window closes is dropped, and so is a pending press.
    testing::Click(cancel);
    std::thread([this] { ui.ShowAnimationFrame(5); }).join();
    ui.CloseExchangeWindow();
    ASSERT_TRUE(ui.OpenExchangeWindow());
    QCoreApplication::processEvents();
    EXPECT_EQ(std::pair(ShownWindow<ExchangeWindow>()->ShownFrame(), ui.PollCancel()),
              std::pair(0, false));
}

}  // namespace
}  // namespace kavrel::testing
