#include "ServedModel.h"

using namespace Qt::Literals::StringLiterals;

namespace tallyvane::bench {

ServedModel::ServedModel(std::chrono::milliseconds answerDelay, int maximumConnections)
    : server(*fixture.model, WidgetLiveServer::Limits{.port = 0, .maximumConnections = maximumConnections})
{
    fixture.answerRealistically();
    fixture.codex->setAnswerDelay(answerDelay);
    fixture.claude->setAnswerDelay(answerDelay);
    server.start();
}

QUrl ServedModel::endpoint() const
{
    return QUrl(u"http://127.0.0.1:%1/widget/v1"_s.arg(server.serverPort()));
}

} // namespace tallyvane::bench
