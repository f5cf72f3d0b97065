#pragma once

#include <QObject>

class SplashWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void windowIsFixedCaptionlessAndCentred();
    void controlsHaveTheirPlacesTextsAndFonts_data();
    void controlsHaveTheirPlacesTextsAndFonts();
    void paintsThePictureWithTheLabelsOverIt();
    void clicksAndKeysChangeNothing();
};
