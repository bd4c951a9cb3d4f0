#include "PlaceholderWidget.h"
#include "ui_PlaceholderWidget.h"

PlaceholderWidget::PlaceholderWidget(QWidget *parent)
    : QWidget(parent), ui(new Ui::PlaceholderWidget)
{
    ui->setupUi(this);
}

PlaceholderWidget::~PlaceholderWidget()
{
    delete ui;
}
