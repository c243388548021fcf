#pragma once

#include "faceservices.h"

#include <QImage>
#include <QWidget>
#include <functional>

class DashboardStore;

// The root view of one overlay panel: backdrop, cards, toolbar, gallery button and gallery.
class DashboardView : public QWidget
{
    Q_OBJECT

public:
    DashboardView(DashboardStore &store, std::function<void()> close, FaceServices services,
        QWidget *parent = nullptr);

    // The blurred picture of the desktop under this panel; a null image means the tint.
    void setBackdrop(const QImage &backdrop);

private:
    DashboardStore &m_store;
    std::function<void()> m_close;
    FaceServices m_services;
    QImage m_backdrop;
};
