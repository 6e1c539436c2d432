/*
  ストアドプロシージャの例
  ・引数は @名前 データ型 [= 既定値] [OUTPUT] で宣言します。
  ・SET NOCOUNT ON で件数メッセージを止めると、呼び出し側の処理が軽くなります。
  ・エラーは TRY ... CATCH で受け、THROW で呼び出し側へ返します。
*/
CREATE PROCEDURE [dbo].[usp_OrderSummary]
    @CustomerId  int,
    @FromDate    date = NULL,
    @OrderCount  int OUTPUT
AS
BEGIN
    SET NOCOUNT ON;

    IF @FromDate IS NULL
        SET @FromDate = DATEADD(month, -1, CAST(GETDATE() AS date));

    BEGIN TRY
        BEGIN TRANSACTION;

        SELECT o.OrderId, o.OrderDate, SUM(d.Quantity * d.UnitPrice) AS Amount
        FROM   dbo.Orders AS o
               INNER JOIN dbo.OrderDetails AS d ON d.OrderId = o.OrderId
        WHERE  o.CustomerId = @CustomerId
          AND  o.OrderDate >= @FromDate
        GROUP BY o.OrderId, o.OrderDate
        ORDER BY o.OrderDate DESC;

        SET @OrderCount = @@ROWCOUNT;

        COMMIT TRANSACTION;
    END TRY
    BEGIN CATCH
        IF XACT_STATE() <> 0
            ROLLBACK TRANSACTION;
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
