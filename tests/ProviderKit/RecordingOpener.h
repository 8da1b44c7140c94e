#pragma once

#include <QList>
#include <QMutex>
#include <QThread>
#include <QUrl>

#include <functional>
#include <memory>

namespace tallyvane::testing {

// Records every page it is handed, on whichever thread, and answers as told.
struct RecordingOpener {
    struct State {
        QMutex mutex;
        QList<QUrl> urls;
        QList<QThread*> threads;
        bool answer = true;
    };
    std::shared_ptr<State> state = std::make_shared<State>();

    std::function<bool(const QUrl&)> opener() const
    {
        return [state = state](const QUrl& url) {
            QMutexLocker locker(&state->mutex);
            state->urls.append(url);
            state->threads.append(QThread::currentThread());
            return state->answer;
        };
    }
    QList<QUrl> urls() const
    {
        QMutexLocker locker(&state->mutex);
        return state->urls;
    }
};

} // namespace tallyvane::testing
