#include "dashboardview.h"

#include "dashboardstore.h"

DashboardView::DashboardView(
    DashboardStore &store, std::function<void()> close, FaceServices services, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_close(std::move(close))
    , m_services(services)
{ }

void DashboardView::setBackdrop(const QImage &backdrop)
{
    m_backdrop = backdrop;
    update();
}
