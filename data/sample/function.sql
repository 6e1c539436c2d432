/*
  ユーザー定義関数の例
  1. スカラー関数: RETURNS でデータ型を宣言し、BEGIN ... END の中で RETURN します。
  2. インライン テーブル値関数: RETURNS TABLE と 1 つの SELECT だけで書きます。
  3. 複数ステートメント テーブル値関数: RETURNS @表変数 TABLE (...) に行を入れて RETURN します。
  関数の中では INSERT / UPDATE / DELETE でテーブルを変更できません（表変数は除きます）。
*/

-- 1. スカラー関数
CREATE FUNCTION [dbo].[ufn_TaxIncluded] (@Price money, @Rate decimal(5, 3) = 0.10)
RETURNS money
AS
BEGIN
    RETURN ROUND(@Price * (1 + @Rate), 0);
END
go

-- 2. インライン テーブル値関数
CREATE FUNCTION [dbo].[ufn_OrdersOfCustomer] (@CustomerId int)
RETURNS TABLE
AS
RETURN
(
    SELECT o.OrderId, o.OrderDate, o.CustomerId
    FROM   dbo.Orders AS o
    WHERE  o.CustomerId = @CustomerId
);
go

-- 3. 複数ステートメント テーブル値関数
CREATE FUNCTION [dbo].[ufn_MonthlyAmount] (@Year int)
RETURNS @Result TABLE
(
    [Month]  int   NOT NULL PRIMARY KEY,
    Amount   money NOT NULL
)
AS
BEGIN
    INSERT INTO @Result ([Month], Amount)
    SELECT MONTH(o.OrderDate), SUM(d.Quantity * d.UnitPrice)
    FROM   dbo.Orders AS o
           INNER JOIN dbo.OrderDetails AS d ON d.OrderId = o.OrderId
    WHERE  YEAR(o.OrderDate) = @Year
    GROUP BY MONTH(o.OrderDate);

    RETURN;
END
go

/* 呼び出し例
SELECT dbo.ufn_TaxIncluded(1000, DEFAULT);
SELECT * FROM dbo.ufn_OrdersOfCustomer(1);
SELECT * FROM dbo.ufn_MonthlyAmount(2024) ORDER BY [Month];
*/
