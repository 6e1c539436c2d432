#include "sql_corpus_helper.h"

#include <random>

namespace sqlformat_test {

namespace {

QString CrLf(const char* text)
{
    QString s = QString::fromUtf8(text);
    s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return s;
}

} // namespace

const std::vector<Script>& SqlCorpus()
{
    static const std::vector<Script> corpus = {
        {"procedure_with_try_catch", CrLf(R"sql(CREATE PROCEDURE dbo.usp_TransferFunds
    @FromAccount int,
    @ToAccount int,
    @Amount money = 0.00,
    @Note nvarchar(200) = N'振替'
AS
BEGIN
    SET NOCOUNT ON;
    DECLARE @Balance money, @Now datetime2 = SYSDATETIME();
    BEGIN TRY
        BEGIN TRANSACTION;
        SELECT @Balance = Balance FROM dbo.Accounts WITH (UPDLOCK) WHERE AccountId = @FromAccount;
        IF @Balance < @Amount
        BEGIN
            RAISERROR(N'Insufficient funds on account %d', 16, 1, @FromAccount);
        END
        UPDATE dbo.Accounts SET Balance = Balance - @Amount, ModifiedAt = @Now WHERE AccountId = @FromAccount;
        UPDATE dbo.Accounts SET Balance = Balance + @Amount, ModifiedAt = @Now WHERE AccountId = @ToAccount;
        INSERT INTO dbo.Ledger (FromAccount, ToAccount, Amount, Note, CreatedAt)
        VALUES (@FromAccount, @ToAccount, @Amount, @Note, @Now);
        COMMIT TRANSACTION;
    END TRY
    BEGIN CATCH
        IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;
        DECLARE @msg nvarchar(4000) = ERROR_MESSAGE();
        THROW 50001, @msg, 1;
    END CATCH
END
GO
)sql")},
        {"cte_and_window", CrLf(R"sql(WITH RankedOrders AS (
    SELECT o.CustomerId, o.OrderId, o.Total,
           ROW_NUMBER() OVER (PARTITION BY o.CustomerId ORDER BY o.Total DESC) AS rn
    FROM Sales.Orders AS o
    WHERE o.OrderDate >= '2024-01-01' AND o.Status <> 'X'
), Totals AS (
    SELECT CustomerId, SUM(Total) AS Total FROM RankedOrders GROUP BY CustomerId HAVING SUM(Total) > 1000
)
SELECT c.Name, r.OrderId, r.Total, t.Total AS CustomerTotal,
       STRING_AGG(r.Tag, ', ') WITHIN GROUP (ORDER BY r.Tag) AS Tags
FROM RankedOrders r
INNER JOIN Totals t ON t.CustomerId = r.CustomerId
LEFT OUTER JOIN Sales.Customers c ON c.CustomerId = r.CustomerId
WHERE r.rn <= 3
ORDER BY c.Name, r.Total DESC;
)sql")},
        {"merge_with_output", CrLf(R"sql(MERGE INTO dbo.Target AS tgt
USING (SELECT Id, Name, Price FROM #Staging WHERE Price IS NOT NULL) AS src
ON tgt.Id = src.Id
WHEN MATCHED AND tgt.Price <> src.Price THEN
    UPDATE SET tgt.Price = src.Price, tgt.Name = src.Name
WHEN NOT MATCHED BY TARGET THEN
    INSERT (Id, Name, Price) VALUES (src.Id, src.Name, src.Price)
WHEN NOT MATCHED BY SOURCE THEN
    DELETE
OUTPUT $action, inserted.Id, deleted.Price INTO ##MergeLog;
)sql")},
        {"case_and_nested_subqueries", CrLf(R"sql(select p.ProductID,
       case when p.ListPrice = 0 then 'free'
            when p.ListPrice < 10 then 'cheap'
            else 'regular' end as PriceBand,
       (select count(*) from Sales.OrderLines l where l.ProductID = p.ProductID and l.Qty > (select avg(Qty) from Sales.OrderLines)) as BigOrders
from Production.Product p
where p.ProductID in (select ProductID from Production.Inventory where Quantity between 1 and 10)
  and exists (select 1 from Production.Category c where c.Id = p.CategoryId and c.Name like N'Bike%')
  or p.Discontinued = 1
order by 2, p.ProductID;
)sql")},
        {"if_else_and_while", CrLf(R"sql(DECLARE @i int = 0;
WHILE @i < 10
BEGIN
    IF @i % 2 = 0
        PRINT 'even: ' + CAST(@i AS varchar(10));
    ELSE
    BEGIN
        PRINT 'odd';
        SET @i += 1;
        CONTINUE;
    END
    SET @i = @i + 1;
END
IF OBJECT_ID(N'tempdb..#work') IS NOT NULL DROP TABLE #work;
)sql")},
        {"ddl_and_quoting", CrLf(R"sql(CREATE TABLE [dbo].[Order Details]] Archive] (
    [Order ID] int NOT NULL,
    "Line No" smallint NOT NULL,
    [Price] decimal(19, 4) NOT NULL CONSTRAINT [DF_Price] DEFAULT ((0)),
    Note nvarchar(max) NULL,
    CONSTRAINT [PK_Order Details] PRIMARY KEY CLUSTERED ([Order ID] ASC, "Line No" ASC)
);
CREATE NONCLUSTERED INDEX IX_Note ON [dbo].[Order Details]] Archive] (Note) INCLUDE ([Price]) WITH (FILLFACTOR = 90);
ALTER TABLE [dbo].[Order Details]] Archive] ADD CONSTRAINT CK_Price CHECK ([Price] >= 0);
)sql")},
        {"literals_and_comments", CrLf(R"sql(/* Header comment
   spans lines   and keeps   its blanks
   /* nested comment */ still inside
*/
SELECT 'it''s', N'日本語 ''quoted''', 'multi
line   literal
  kept' AS txt, -- trailing comment with 'quote and select from where
       a.[Col]]Name] /* inline */, b."Odd ""Name""" -- another: and or
FROM dbo.T a -- from comment
JOIN dbo.U b ON b.Id = a.Id /* c */ AND b.X = 1 -- join note
WHERE a.Flag = 1 -- flag
  AND a.Value <> 'x -- not a comment'
  AND a.Text LIKE '%/*%' -- not a block either
GROUP BY a.[Col]]Name], b."Odd ""Name""";
--last line comment without a line end)sql")},
        {"update_delete_insert_select", CrLf(R"sql(UPDATE t SET t.Total = x.Total, t.Count = x.Cnt
FROM dbo.Summary t JOIN (SELECT Id, SUM(v) AS Total, COUNT(*) AS Cnt FROM dbo.Detail GROUP BY Id) x ON x.Id = t.Id
WHERE t.Total IS NULL OR t.Total <> x.Total;
DELETE FROM dbo.Log WHERE LoggedAt < DATEADD(day, -30, GETDATE()) AND Level NOT IN ('ERROR', 'FATAL');
DELETE d FROM dbo.Detail d LEFT JOIN dbo.Summary s ON s.Id = d.Id WHERE s.Id IS NULL;
INSERT INTO #tmp (Id, Name) SELECT TOP (10) Id, Name FROM dbo.Names WHERE Name != '' ORDER BY Id DESC;
INSERT dbo.Audit VALUES (1, 'a'), (2, 'b');
SELECT 1.5e-3 * -2, 0x1F, -.5E+2, $12.50, a-1, a - -1, a/b, 10%3 FROM dbo.Nums WHERE v>=1 AND v<=2 AND w!=3 AND z!<4;
)sql")},
        {"cursor_and_dynamic_sql", CrLf(R"sql(DECLARE c CURSOR LOCAL FAST_FORWARD FOR
    SELECT name FROM sys.databases WHERE database_id > 4 AND state_desc = 'ONLINE';
OPEN c;
FETCH NEXT FROM c INTO @db;
WHILE @@FETCH_STATUS = 0
BEGIN
    SET @sql = N'USE ' + QUOTENAME(@db) + N'; EXEC sp_updatestats;';
    EXEC sys.sp_executesql @sql, N'@p int', @p = 1;
    FETCH NEXT FROM c INTO @db;
END
CLOSE c; DEALLOCATE c;
GO 2
SELECT go.x FROM dbo.T AS go WHERE go.y = 'go'
go
)sql")},
        {"view_union_for_xml", CrLf(R"sql(CREATE VIEW dbo.vAll AS
SELECT Id, 'A' AS Src FROM dbo.A UNION ALL SELECT Id, 'B' FROM dbo.B
UNION SELECT Id, 'C' FROM dbo.C;
GO
SELECT Id, Name FROM dbo.T FOR XML PATH('row'), ROOT('rows');
SELECT LEFT(Name, 3), RIGHT(Name, 2), UPDATE_TIME FROM dbo.T WHERE LEFT(Name, 1) = 'a';
SELECT * FROM dbo.T t CROSS APPLY (SELECT TOP 1 * FROM dbo.U u WHERE u.T = t.Id ORDER BY u.Id) x;
)sql")},
        {"lf_line_ends_and_tabs", QString::fromUtf8("select\ta,\tb\nfrom\tt\nwhere\ta = 'x\ty'\n\tand b = 2\ngo\nprint 'done'\n")},
        {"trigger_with_update_function", CrLf(R"sql(CREATE TRIGGER trg_Orders_Audit ON dbo.Orders AFTER UPDATE AS
BEGIN
    IF UPDATE(Status) OR UPDATE(Total)
    BEGIN
        INSERT INTO dbo.OrderAudit (OrderId, OldStatus, NewStatus, ChangedBy)
        SELECT d.OrderId, d.Status, i.Status, SUSER_SNAME()
        FROM deleted d INNER JOIN inserted i ON i.OrderId = d.OrderId
        WHERE ISNULL(d.Status, '') <> ISNULL(i.Status, '');
    END
END
)sql")},
    };
    return corpus;
}

QString RandomSqlText(unsigned seed, int fragments)
{
    static const char* const kParts[] = {
        "select", "from", "where", "and", "or", "group", "order", "by", "having", "insert", "into",
        "values", "update", "set", "delete", "union", "join", "left", "inner", "on", "between",
        "begin", "end", "if", "else", "then", "when", "case", "declare", "create", "is", "loop",
        "for", "while", "cursor", "exception", "go", "GO", "N", "n", "a", "t.col", "@v", "#tmp",
        "$x", "1", "2.5e", "0x0F", "(", ")", ",", ";", "'", "''", "\"", "[", "]", "]]", "-", "--",
        "/", "/*", "*/", "*", "<", ">", "=", "!", "+", "%", " ", "  ", "\t", "\r\n", "\n", "\r",
        "/\r\n", "\r\n/\r\n", "é", "日本", "x'y", "-- c\r\n", "/* b */", "'s'", "[q]"};
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> pick(0, int(std::size(kParts)) - 1);
    QString s;
    for (int i = 0; i < fragments; ++i) {
        s += QString::fromUtf8(kParts[pick(gen)]);
        if (gen() % 3 == 0)
            s += u' ';
    }
    return s;
}

} // namespace sqlformat_test
