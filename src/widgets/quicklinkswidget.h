#pragma once

#include "facewidget.h"
#include "quicklinks.h"

#include <functional>
#include <optional>

class QMessageBox;

// Four places in a two-by-two grid. A link that opens hides the overlay; one that fails
// says so in an alert and leaves the overlay up.
class QuickLinksWidget : public FaceWidget
{
    Q_OBJECT

public:
    // A null opener fails every link, which the alert then explains.
    QuickLinksWidget(std::function<void()> close, LinkOpener *opener, QWidget *parent = nullptr)
        : QuickLinksWidget(std::move(close), opener, LinkPlaces::current(), parent)
    { }
    QuickLinksWidget(std::function<void()> close, LinkOpener *opener, const LinkPlaces &places,
        QWidget *parent = nullptr);

    const QList<QuickLink> &links() const { return m_links; }
    std::optional<QString> failedLink() const { return m_failedLink; }

    void press(const QuickLink &link);

    static QString alertMessage(const std::optional<QString> &failedLink);

private:
    void showAlert();

    std::function<void()> m_close;
    LinkOpener *m_opener;
    QList<QuickLink> m_links;
    std::optional<QString> m_failedLink;
};
