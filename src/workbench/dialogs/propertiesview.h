#pragma once
// The host properties dialog: edits one host's connection settings and, while that host is
// connected, shows what its server reports (version, connection, id, statistics, processes).
//
// One instance lives for the whole program and is reused: the caller hands it the connection
// object with SetMySql() before each showing, then runs it modally with exec(). The dialog writes
// into that object directly (Apply and Ok); it never owns it and keeps no copy to roll back to.

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class TDialogs;
class TMySql;

class TfrmProperties : public QDialog {
    Q_OBJECT

public:
    // Input errors are shown through `dialogs`.
    explicit TfrmProperties(TDialogs& dialogs, QWidget* parent = nullptr);
    ~TfrmProperties() override;

    // The connection object to edit at the next showing; null leaves the edits as they were.
    void SetMySql(TMySql* mysql) { FMySql = mysql; }
    TMySql* MySql() const { return FMySql; }

public slots:
    void btnApplyClick();
    void btnOkClick();
    void btnRefreshClick();
    void btnGrantsClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void txtNameChange();

private:
    void FormShow();
    void RefreshProcesses();
    QWidget* BuildGeneralPage();
    QWidget* BuildHostPage();
    QWidget* BuildSecurityPage();
    // The file fields are enabled where the chosen encryption mode uses them.
    void cmbTlsModeChange();
    void BrowseFile(QLineEdit* field, const QString& title);
    QWidget* BuildSshGroup(QWidget* page);
    // The tunnel's fields are enabled while chkSsh is checked.
    void chkSshChange();
    // Sets `port` from a port edit, or tells the user why not (focus on the edit); false then.
    bool ApplyPort(QLineEdit* edit, int& port);
    void ApplySsh(bool askAboutPort);

    TMySql* FMySql = nullptr;
    TDialogs& FDialogs;

    QTabWidget* FPages = nullptr;
    QWidget* tabGeneral = nullptr;
    QWidget* tabHost = nullptr;
    QWidget* tabSecurity = nullptr;

    QLabel* lblName = nullptr;
    QLineEdit* txtName = nullptr;
    QLineEdit* txtHost = nullptr;
    QLineEdit* txtPort = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLabel* lblConnected = nullptr;

    QComboBox* cmbTlsMode = nullptr;
    QLineEdit* txtTlsCa = nullptr;
    QLineEdit* txtTlsCert = nullptr;
    QLineEdit* txtTlsKey = nullptr;
    QPushButton* btnTlsCa = nullptr;
    QPushButton* btnTlsCert = nullptr;
    QPushButton* btnTlsKey = nullptr;
    QCheckBox* chkKeyring = nullptr;
    QCheckBox* chkSsh = nullptr;
    QLineEdit* txtSshHost = nullptr;
    QLineEdit* txtSshPort = nullptr;
    QLineEdit* txtSshUser = nullptr;
    QLineEdit* txtSshKey = nullptr;
    QPushButton* btnSshKey = nullptr;

    QLabel* lblVersion = nullptr;
    QLabel* lblHostInfo = nullptr;
    QLabel* lblEncryption = nullptr;
    QLabel* lblThreadId = nullptr;
    QLabel* lblStat = nullptr;
    QTreeWidget* lstProcesses = nullptr;
    QPushButton* btnRefresh = nullptr;
    QPushButton* btnGrants = nullptr;

    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnApply = nullptr;
};
