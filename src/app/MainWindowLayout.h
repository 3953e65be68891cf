// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class ClickableLabel;
class LivePicture;
class QComboBox;
class QFont;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTableView;
class QWidget;
class RecordNavigator;
class TouchPad;

// The main window's controls, built at their design places. Member names are
// the controls' object names.
class MainWindowLayout final
{
public:
    explicit MainWindowLayout(QWidget* window);

    LivePicture* ezVidCap1;
    QComboBox* cbDriver;
    QPushButton* cmdVidSettings;
    TouchPad* Picture1;
    QLabel* Label4;
    QGroupBox* Frame1;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QRadioButton* Option3;
    QRadioButton* Option4;
    QGroupBox* Frame3;
    QScrollBar* hsAccel;
    QLabel* lblAccel;
    QGroupBox* Frame2;
    QLabel* Label2;
    QLabel* lblPan;
    QLabel* Label3;
    QLabel* lblTilt;
    QRadioButton* optManual;
    QRadioButton* optRandom;
    QRadioButton* optsequence;
    QRadioButton* optTrain;
    QTableView* DBGrid1;
    // The visible navigator of the data control `datPivora`.
    RecordNavigator* datPivoraNavigator;
    QLabel* lblDefDelay;
    QLineEdit* txtDefDelay;
    QPushButton* cmdDelete;
    QPushButton* cmdFTPSettings;
    QPushButton* cmdCaptureFrame;
    QPushButton* cmdEnableRemote;
    QLabel* Label1;
    QLabel* lblStatus;
    QLabel* Label5;
    ClickableLabel* Picture2;

    QRadioButton* portOption(int portNumber) const;
    static QFont windowFont();
};
