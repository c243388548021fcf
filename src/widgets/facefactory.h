#pragma once

#include "dashboardwidgetkind.h"
#include "faceservices.h"

#include <QUuid>
#include <functional>

class DashboardStore;
class QWidget;

struct FaceContext
{
    DashboardStore *store = nullptr;
    QUuid id;
    std::function<void()> close;
    FaceServices services;
};

// The one place that maps a kind to its face. Kinds without a face get an empty widget.
QWidget *createFace(DashboardWidgetKind kind, const FaceContext &context, QWidget *parent);
