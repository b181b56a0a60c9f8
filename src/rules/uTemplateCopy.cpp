#include "uTemplateCopy.h"

#include "TFbQuery.h"
#include "uRules.h"

QString TemplateCopy::CopyFailedMessage(int fromTVId) {
    return QStringLiteral(
               "Copy failed, cannot find corresponding SO_DOTEMPLATE.ID for SYS_TREEVIEW_ID: %1")
        .arg(fromTVId);
}

void TemplateCopy::CopyDoTemplate(TFbTransaction& tra, int fromTVId, int toTVId,
                                  const QString& aName) {
    int sourceId = 0;
    {
        TFbQuery q(tra, "SELECT ID,SYS_TREEVIEW_ID FROM SO_DOTEMPLATE WHERE SYS_TREEVIEW_ID=" +
                            QString::number(fromTVId));
        q.Open();
        if (q.Eof() || q.AsInteger(QStringLiteral("SYS_TREEVIEW_ID")) != fromTVId)
            throw ERuleRefused(CopyFailedMessage(fromTVId));
        sourceId = q.AsInteger(QStringLiteral("ID"));
    }
    // The key is drawn only once the source is known, so a failed copy uses none.
    int newId = 0;
    {
        TFbQuery gen(tra, QStringLiteral("SELECT GEN_ID(SO_DOTEMPLATE_ID_GEN, 1) FROM SYS"));
        gen.Open();
        newId = int(gen.AsInt64(0));
    }
    const QString s = QString::number(sourceId);
    const QString n = QString::number(newId);
    TFbQuery tpl(tra,
                 "INSERT INTO SO_DOTEMPLATE (ID,SYS_TREEVIEW_ID, NAME,               "
                 "PAGE_WIDTH,PAGE_HEIGHT,MARGIN_TOP,MARGIN_LEFT,ORIENTATION,FILENAME,PAPERSIZE,"
                 "HEADER_HEIGHT,FOOTER_HEIGHT,LINECOUNT,PRINTIMG)\n"
                 "SELECT " +
                     n + "," + QString::number(toTVId) + "," + Rules::QuotedStr(aName) +
                     ",PAGE_WIDTH,PAGE_HEIGHT,MARGIN_TOP,MARGIN_LEFT,ORIENTATION,FILENAME,"
                     "PAPERSIZE,HEADER_HEIGHT,FOOTER_HEIGHT,LINECOUNT,PRINTIMG FROM SO_DOTEMPLATE "
                     "WHERE ID=" +
                     s);
    tpl.Execute();
    // A database made before the printer offset has no columns for it.
    TFbQuery offset(tra,
                    "SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE "
                    "RDB$RELATION_NAME='SO_DOTEMPLATE' AND "
                    "RDB$FIELD_NAME IN ('PRINT_OFFSET_X','PRINT_OFFSET_Y')");
    offset.Open();
    if (offset.AsInt64(0) == 2)
        TFbQuery(tra,
                 "UPDATE SO_DOTEMPLATE SET PRINT_OFFSET_X=(SELECT PRINT_OFFSET_X FROM "
                 "SO_DOTEMPLATE WHERE ID=" +
                     s + "),PRINT_OFFSET_Y=(SELECT PRINT_OFFSET_Y FROM SO_DOTEMPLATE WHERE ID=" +
                     s + ") WHERE ID=" + n)
            .Execute();
    TFbQuery fields(
        tra,
        "INSERT INTO SO_DOTEMPLATEFIELD (SO_DOTEMPLATE_ID,GROUPNAME,ORDERINGROUP,TITLE,DATASET,"
        "DATATABLE,DATAFIELD,VISIBLE,SPACE,FONTNAME,FONTSTYLE,FONTSIZE,FONTCOLOR,\"LEFT\",TOP,"
        "WIDTH,HEIGHT,WORDWRAP,RIGHTADJ,FORMATSTR,SYS_OBJECT_ID)\n"
        "SELECT " +
            n +
            ",GROUPNAME,ORDERINGROUP,TITLE,DATASET,DATATABLE,DATAFIELD,VISIBLE,SPACE,FONTNAME,"
            "FONTSTYLE,FONTSIZE,FONTCOLOR,\"LEFT\",TOP,WIDTH,HEIGHT,WORDWRAP,RIGHTADJ,FORMATSTR,"
            "SYS_OBJECT_ID FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=" +
            s);
    fields.Execute();
}

void TemplateCopy::DeleteDoTemplate(TFbTransaction& tra, int treeViewId) {
    for (const char* sql :
         {"DELETE FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=(SELECT ID FROM SO_DOTEMPLATE "
          "WHERE SYS_TREEVIEW_ID=:SYS_TREEVIEW_ID)",
          "DELETE FROM SO_DOTEMPLATE WHERE SYS_TREEVIEW_ID=:SYS_TREEVIEW_ID"}) {
        TFbQuery q(tra, QString::fromLatin1(sql));
        q.SetParam(QStringLiteral("SYS_TREEVIEW_ID"), treeViewId);
        q.Execute();
    }
}

bool TemplateCopy::DataTableValid(TFbConnection& conn, const QString& dataTable,
                                  QString& dataSetName, QString& bandName) {
    TFbTransaction tra(conn);
    TFbQuery q(tra, QStringLiteral("SELECT DISTINCT DATATABLE,DATASET,GROUPNAME FROM "
                                   "SO_DOTEMPLATEFIELD ORDER BY DATATABLE ASC, GROUPNAME DESC"));
    for (q.Open(); !q.Eof(); q.Next()) {
        if (q.AsString(QStringLiteral("DATATABLE")) != dataTable) continue;
        const QString dataSet = q.AsString(QStringLiteral("DATASET"));
        if (dataSet.isEmpty()) continue;
        dataSetName = dataSet;
        bandName = q.AsString(QStringLiteral("GROUPNAME"));
        return true;
    }
    return false;
}

void TemplateCopy::InsertUdfElement(TFbTransaction& tra, const TUdfElement& e) {
    TFbQuery q(tra, QStringLiteral(
                        "INSERT INTO SO_DOTEMPLATEFIELD (SO_DOTEMPLATE_ID, GROUPNAME, "
                        "ORDERINGROUP, TITLE, DATASET, DATATABLE, DATAFIELD, VISIBLE,\"LEFT\", "
                        "TOP, WORDWRAP, RIGHTADJ, FORMATSTR, SYS_OBJECT_ID)\n"
                        "SELECT ID,              "
                        ":GROUPNAME,:ORDERINGROUP,:TITLE,:DATASET,:DATATABLE,:DATAFIELD,:VISIBLE,"
                        ":LEFT, :TOP,:WORDWRAP,:RIGHTADJ,:FORMATSTR,:SYS_OBJECT_ID FROM "
                        "SO_DOTEMPLATE"));
    const QVariantMap p = {{QStringLiteral("GROUPNAME"), e.BandName},
                           {QStringLiteral("ORDERINGROUP"), 999},
                           {QStringLiteral("TITLE"), e.Title},
                           {QStringLiteral("DATASET"), e.DataSet},
                           {QStringLiteral("DATATABLE"), e.DataTable},
                           {QStringLiteral("DATAFIELD"), e.Field},
                           {QStringLiteral("VISIBLE"), 0},
                           {QStringLiteral("LEFT"), 0},
                           {QStringLiteral("TOP"), 0},
                           {QStringLiteral("WORDWRAP"), e.Wrap ? 1 : 0},
                           {QStringLiteral("RIGHTADJ"), e.RightAdj ? 1 : 0},
                           {QStringLiteral("FORMATSTR"), e.Format},
                           {QStringLiteral("SYS_OBJECT_ID"), e.ObjId}};
    for (auto it = p.cbegin(); it != p.cend(); ++it) q.SetParam(it.key(), it.value());
    q.Execute();
}

void TemplateCopy::DeleteUdfElements(TFbTransaction& tra, int objId) {
    TFbQuery q(tra, "DELETE FROM SO_DOTEMPLATEFIELD WHERE SYS_OBJECT_ID=" + QString::number(objId));
    q.Execute();
}
