/*
  ストアドプロシージャの例（Azure SQL Database）
  ・Azure SQL Database では USE で別のデータベースへ切り替えられません。
    別データベースのテーブルは三部構成名で参照できないため、同じデータベース内で完結させます。
  ・引数は @名前 データ型 [= 既定値] [OUTPUT] で宣言します。
  ・エラーは TRY ... CATCH で受け、THROW で呼び出し側へ返します。
*/
CREATE PROCEDURE [dbo].[usp_OrderSummary]
    @CustomerId  int,
    @FromDate    date = NULL,
    @OrderCount  int OUTPUT
AS
BEGIN
    SET NOCOUNT ON;

    -- Azure SQL Database の時刻は UTC です。日本時間で扱うときは AT TIME ZONE で変換します。
    IF @FromDate IS NULL
        SET @FromDate = DATEADD(month, -1,
            CAST(SYSDATETIMEOFFSET() AT TIME ZONE 'Tokyo Standard Time' AS date));

    BEGIN TRY
        SELECT o.OrderId, o.OrderDate, SUM(d.Quantity * d.UnitPrice) AS Amount
        FROM   dbo.Orders AS o
               INNER JOIN dbo.OrderDetails AS d ON d.OrderId = o.OrderId
        WHERE  o.CustomerId = @CustomerId
          AND  o.OrderDate >= @FromDate
        GROUP BY o.OrderId, o.OrderDate
        ORDER BY o.OrderDate DESC;

        SET @OrderCount = @@ROWCOUNT;
    END TRY
    BEGIN CATCH
        THROW;
    END CATCH

    RETURN 0;
END
go

/* 呼び出し例
DECLARE @cnt int;
EXEC [dbo].[usp_OrderSummary] @CustomerId = 1, @OrderCount = @cnt OUTPUT;
SELECT @cnt AS 件数;
*/
