#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "update/update_prompt.h"

class UpdateModel;
class UpdateView;

// The one update window: offers a new version, carries the user through its download and
// installation, or says that there is nothing new or that the check failed. Opening another
// closes the one before. It sizes itself to what it shows, at a fixed width.
class UpdateWindow : public QWidget {
  Q_OBJECT

 public:
  explicit UpdateWindow(std::unique_ptr<UpdateModel> model, QWidget* parent = nullptr);
  ~UpdateWindow() override;

  UpdateModel& model() const { return *model_; }
  UpdateView& view() const { return *view_; }

  // The window open now, if any.
  static UpdateWindow* current();

  // Makes the update prompt show its requests in this window.
  static void registerPresenter();

  // Closes the current window and shows one for `request`; in snapshot mode draws it into the
  // snapshot file instead.
  static void show(const UpdatePrompt::WindowRequest& request);
  // The same for a model the caller made.
  static void show(std::unique_ptr<UpdateModel> model);

  // Draws the window for `model` off screen into the snapshot file once its release notes are
  // in, logs it, then quits: for documentation images of each phase.
  static void snapshot(std::unique_ptr<UpdateModel> model);

  // What ends the application once a swap has been arranged or a snapshot written; quitting the
  // event loop unless replaced.
  static void setQuit(std::function<void()> quit);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void fit();

  std::unique_ptr<UpdateModel> model_;
  UpdateView* view_;
};
